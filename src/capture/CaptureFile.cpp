#include "capture/CaptureFile.h"

#include <algorithm>
#include <chrono>

#include "capture/TrafficFile.h"
#include "packet/Packet.h"

namespace {

// libpcap's fields are in the writer's byte order, which its magic number tells readers;
// little-endian here on every machine.
void PutLe16(std::string* out, std::uint16_t value) {
    out->push_back(static_cast<char>(value & 0xFF));
    out->push_back(static_cast<char>(value >> 8));
}

void PutLe32(std::string* out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out->push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

}  // namespace

// The magic for microsecond stamps, version 2.4, UTC, snap length, link type.
std::string CCaptureFile::FileHeader() {
    std::string header;
    PutLe32(&header, 0xA1B2C3D4);
    PutLe16(&header, 2);
    PutLe16(&header, 4);
    PutLe32(&header, 0);
    PutLe32(&header, 0);
    PutLe32(&header, kSnapLength);
    PutLe32(&header, kLinkType);
    return header;
}

std::string CCaptureFile::RecordBytes(std::int64_t utcMicros, bool sent, unsigned char command,
                                      const unsigned char* payload, std::size_t length) {
    const auto recordLength = static_cast<std::uint32_t>(length) + 2;
    const std::uint32_t kept = std::min(recordLength, kSnapLength);
    std::string record;
    record.reserve(kRecordHeaderSize + kept);
    PutLe32(&record, static_cast<std::uint32_t>(utcMicros / 1000000));
    PutLe32(&record, static_cast<std::uint32_t>(utcMicros % 1000000));
    PutLe32(&record, kept);
    PutLe32(&record, recordLength);
    record.push_back(static_cast<char>(sent ? kSent : kReceived));
    record.push_back(static_cast<char>(command));
    if (payload != nullptr) {
        record.append(reinterpret_cast<const char*>(payload), kept - 2);
    }
    return record;
}

CCaptureFile::~CCaptureFile() {
    Close();
}

bool CCaptureFile::Open(const std::string& path, std::string* error) {
    Close();
    std::lock_guard<std::mutex> hold(m_lock);
    m_path = path;
    m_recordsLost = false;
    if (!m_file.Open(path, true) || !m_file.Write(FileHeader())) {
        *error = "Невозможно создать файл захвата " + path + ": " + m_file.GetErrorText();
        m_file.Close();
        return false;
    }
    return true;
}

bool CCaptureFile::IsOpen() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_file.IsOpen();
}

void CCaptureFile::Write(bool sent, const CPacket& packet) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    Write(sent, packet, std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

void CCaptureFile::Write(bool sent, const CPacket& packet, std::int64_t micros) {
    const int length =
        packet.GetLength() > 0 && packet.GetData() != nullptr ? packet.GetLength() : 0;
    Append(RecordBytes(micros, sent, static_cast<unsigned char>(packet.GetCommand()),
                       packet.GetData(), static_cast<std::size_t>(length)));
}

void CCaptureFile::Write(const TrafficRecord& record) {
    Append(RecordBytes(record.time, record.sent, record.command, record.payload.data(),
                       record.payload.size()));
}

void CCaptureFile::Append(const std::string& record) {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_file.IsOpen()) {
        return;
    }
    m_pending += record;
    m_recordEnds.push_back(m_pending.size());
    if (m_pending.size() >= kPendingLimit) {
        WritePending();
    }
}

void CCaptureFile::Flush() {
    std::lock_guard<std::mutex> hold(m_lock);
    WritePending();
}

void CCaptureFile::Close() {
    std::lock_guard<std::mutex> hold(m_lock);
    WritePending();
    m_file.Close();
}

bool CCaptureFile::HasLostRecords() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_recordsLost;
}

std::string CCaptureFile::GetWriteProblem() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return "Файл захвата не пишется: " + m_file.GetErrorText() + " (" + m_path + ")";
}

void CCaptureFile::WritePending() {
    if (m_pending.empty() || !m_file.IsOpen()) {
        return;
    }
    // The commands end at the first loss: the file holds every record up to it and none after
    // it (past a record that could not be cut back, readers would stop anyway).
    const bool written =
        !m_recordsLost && m_file.Write(m_pending, [this](std::size_t part) -> std::size_t {
            auto end = std::upper_bound(m_recordEnds.begin(), m_recordEnds.end(), part);
            return end == m_recordEnds.begin() ? 0 : *(end - 1);
        });
    m_recordsLost = m_recordsLost || !written;
    m_pending.clear();
    m_recordEnds.clear();
}
