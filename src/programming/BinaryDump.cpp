#include "programming/BinaryDump.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "packet/Packet.h"
#include "settings/PathUtil.h"

namespace {

constexpr char kEndOfFile[] = ":00000001FF";
constexpr int kEndOfFileLength = sizeof kEndOfFile - 1;

enum RecordType {
    Data = 0x00,
    ExtendedSegmentAddress = 0x02,
    ExtendedLinearAddress = 0x04,
};

struct Line {
    const char* begin;
    int length;
};

// Lines end at CR LF only; text after the last CR LF is the last line, a final CR LF adds none.
std::vector<Line> SplitLines(const char* text, int length) {
    std::vector<Line> lines;
    int position = 0;
    while (position < length) {
        int end = position;
        while (end < length && !(text[end] == '\r' && end + 1 < length && text[end + 1] == '\n')) {
            ++end;
        }
        lines.push_back(Line{text + position, end - position});
        position = end < length ? end + 2 : length;
    }
    return lines;
}

}  // namespace

CBinaryDump::CBinaryDump() : m_image(new (std::nothrow) unsigned char[kImageSize]) {
    Reset();
}

CBinaryDump::~CBinaryDump() = default;

void CBinaryDump::Reset() {
    m_size = 0;
    m_base = 0;
    if (m_image) {
        std::memset(m_image.get(), 0xFF, kImageSize);
    }
}

int CBinaryDump::LoadHex(const char* path) {
    Reset();
    if (!m_image || path == nullptr) {
        return 0;
    }
    std::string text;
    if (PathUtil::ReadFileBytes(path, text, kMaxFileSize) != PathUtil::ReadResult::Read) {
        return 0;
    }
    // A NUL byte ends the text.
    text.resize(std::min(text.size(), text.find('\0')));
    return LoadText(text.data(), static_cast<int>(text.size()));
}

int CBinaryDump::LoadText(const char* text, int length) {
    std::vector<Line> lines = SplitLines(text, length);
    if (lines.size() < 2) {
        return 0;
    }
    const Line& last = lines.back();
    if (last.length != kEndOfFileLength || std::memcmp(last.begin, kEndOfFile, kEndOfFileLength)) {
        return 0;
    }
    for (const Line& line : lines) {
        ParseRecord(line.begin, line.length);
    }
    return 1;
}

int CBinaryDump::ParseRecord(const char* line) {
    if (line == nullptr) {
        return 0;
    }
    return ParseRecord(std::string_view(line));
}

int CBinaryDump::ParseRecord(std::string_view line) {
    // Longer lines cannot be records; do not let their length wrap around an int.
    const std::size_t length = std::min(line.size(), static_cast<std::size_t>(kMaxFileSize));
    return ParseRecord(line.data(), static_cast<int>(length));
}

int CBinaryDump::ParseRecord(const char* line, int length) {
    if (!m_image || line == nullptr || length < 1 || line[0] != ':') {
        return 0;
    }
    int digits = length - 1;
    if (digits < 10 || digits / 2 > kMaxRecordBytes) {
        return 0;
    }
    // The digits must stand alone as a C string for the hex reader; a NUL among them would
    // silently shorten the record.
    char text[2 * kMaxRecordBytes + 2];
    std::memcpy(text, line + 1, static_cast<std::size_t>(digits));
    text[digits] = '\0';
    unsigned char record[kMaxRecordBytes];
    if (std::strlen(text) != static_cast<std::size_t>(digits) ||
        !HexToBytes(text, record, kMaxRecordBytes)) {
        return 0;
    }
    int count = record[0];
    if (digits != 2 * (count + 5)) {
        return 0;
    }
    unsigned char sum = 0;
    for (int i = 0; i < count + 5; ++i) {
        sum = static_cast<unsigned char>(sum + record[i]);
    }
    return sum == 0 ? ApplyRecord(record, count) : 0;
}

int CBinaryDump::ApplyRecord(const unsigned char* record, int count) {
    const unsigned char* data = record + 4;
    switch (record[3]) {
        case Data: {
            unsigned long long address =
                static_cast<unsigned long long>(m_base) + record[1] * 256u + record[2];
            if (address + static_cast<unsigned>(count) > static_cast<unsigned>(kImageSize)) {
                return 0;
            }
            std::memcpy(m_image.get() + address, data, static_cast<std::size_t>(count));
            int end = static_cast<int>(address) + count;
            // An empty record writes nothing: the image does not grow to its address.
            if (count > 0 && end > m_size) {
                m_size = end;
            }
            return 1;
        }
        case ExtendedSegmentAddress:
        case ExtendedLinearAddress:
            if (count != 2) {
                return 0;
            }
            m_base =
                (data[0] * 256u + data[1]) * (record[3] == ExtendedLinearAddress ? 65536u : 16u);
            return 1;
        default:
            return 1;
    }
}
