#include "capture/ListCapture.h"

#include <filesystem>
#include <system_error>

#include "capture/CaptureFile.h"
#include "capture/WallClock.h"
#include "settings/AppendFile.h"

namespace {

// Records go to the file in blocks of about this size.
constexpr std::size_t kBlockBytes = 64 * 1024;
// A capture's seconds are 32 bits without a sign: 1970 to 2106.
constexpr std::int64_t kLastCaptureMicros = (std::int64_t{1} << 32) * 1000000 - 1;

std::string CannotSave(const std::string& path, const std::string& reason) {
    return "Невозможно сохранить захват " + path + ": " + reason;
}

// A name beside path that names no file yet, for the capture being written.
std::string PartPath(const std::string& path) {
    std::string part = path + ".part";
    std::error_code ignored;
    for (int n = 2; std::filesystem::exists(part, ignored); ++n) {
        part = path + ".part" + std::to_string(n);
    }
    return part;
}

// The header and every record into the open file; "" or why not.
std::string WriteRecords(const CTrafficStore& lines, TrafficClock clock, CAppendFile* file) {
    CWallClockToUtc toUtc;
    std::string block = CCaptureFile::FileHeader();
    for (std::size_t i = 0; i < lines.GetCount(); ++i) {
        const TrafficLine line = lines.GetLine(i);
        const std::int64_t utc =
            clock == TrafficClock::WallClock ? toUtc.Convert(line.time) : line.time;
        if (utc < 0 || utc > kLastCaptureMicros) {
            return "строка " + std::to_string(i + 1) +
                   " списка: её время вне 1970–2106 годов, которые вмещает захват";
        }
        block += CCaptureFile::RecordBytes(utc, line.sent, line.command, line.payload,
                                           static_cast<std::size_t>(line.length));
        if (block.size() >= kBlockBytes) {
            if (!file->Write(block)) {
                return file->GetErrorText();
            }
            block.clear();
        }
    }
    return file->Write(block) ? "" : file->GetErrorText();
}

}  // namespace

bool FillTrafficStore(const std::vector<TrafficRecord>& records, CTrafficStore* lines) {
    for (const TrafficRecord& record : records) {
        TrafficLine line;
        line.time = record.time;
        line.sent = record.sent;
        line.command = record.command;
        line.length = static_cast<int>(record.payload.size());
        line.payload = record.payload.data();
        if (!lines->Append(line)) {
            return false;
        }
    }
    return true;
}

TrafficClock ClockOf(const TrafficFile& file) {
    return file.HasLocalTime() ? TrafficClock::WallClock : TrafficClock::Utc;
}

bool SaveLinesAsCapture(const CTrafficStore& lines, TrafficClock clock, const std::string& path,
                        std::string* error) {
    const std::string part = PartPath(path);
    CAppendFile file;
    if (!file.Open(part, true)) {
        *error = CannotSave(path, file.GetErrorText());
        return false;
    }
    std::string problem = WriteRecords(lines, clock, &file);
    file.Close();
    std::error_code renamed;
    if (problem.empty()) {
        std::filesystem::rename(part, path, renamed);
        // A system whose rename keeps a file that is there already (Windows' C library) gets
        // the old one out of the way first.
        if (renamed && std::filesystem::exists(path)) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
            std::filesystem::rename(part, path, renamed);
        }
        problem = renamed ? renamed.message() : "";
    }
    if (!problem.empty()) {
        std::error_code ignored;
        std::filesystem::remove(part, ignored);
        *error = CannotSave(path, problem);
        return false;
    }
    return true;
}

std::string CaptureSavedText(const std::string& path, std::size_t count) {
    return "Захват сохранён: " + path + " (пакетов: " + std::to_string(count) + ")";
}

std::string TrafficFileCaption(TrafficFileKind kind, const std::string& path) {
    // Either separator: the text is UTF-8, which the system's path type may not take.
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return (kind == TrafficFileKind::Log ? "Журнал - " : "Захват - ") + name;
}
