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

// Not std::isxdigit: the locale (which a window sets) must not make other bytes digits.
bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

const char* HexFaultText(HexFault fault) {
    switch (fault) {
        case HexFault::EmptyLine:
            return "пустая строка";
        case HexFault::NoColon:
            return "нет двоеточия в начале строки";
        case HexFault::BadCharacters:
            return "недопустимые символы";
        case HexFault::BadLength:
            return "неверная длина записи";
        case HexFault::BadChecksum:
            return "неверная контрольная сумма";
        case HexFault::PastImage:
            return "адрес за пределами образа";
        case HexFault::CannotRead:
            return "Файл не удаётся прочитать";
        case HexFault::TooLong:
            return "Файл длиннее 524288 байт";
        case HexFault::TooFewLines:
            return "В файле меньше двух строк";
        case HexFault::LineFeedsOnly:
            return "В файле меньше двух строк: строки должны оканчиваться CR LF, а не LF";
        case HexFault::NoEndRecord:
            return "Последняя строка не :00000001FF";
        case HexFault::None:
            break;
    }
    return "";
}

std::string HexLoadReport::Describe() const {
    if (fileFault != HexFault::None) {
        return HexFaultText(fileFault);
    }
    if (refusedRecords == 0) {
        return "";
    }
    std::string text =
        "Строка " + std::to_string(firstRefusedLine) + ": " + HexFaultText(firstRefusal);
    if (refusedRecords > 1) {
        text += " (всего неверных строк: " + std::to_string(refusedRecords) + ")";
    }
    return text;
}

CBinaryDump::CBinaryDump() : m_image(new (std::nothrow) unsigned char[kImageSize]) {
    Reset();
}

CBinaryDump::~CBinaryDump() = default;

void CBinaryDump::Reset() {
    m_size = 0;
    m_base = 0;
    m_report = HexLoadReport{};
    if (m_image) {
        std::memset(m_image.get(), 0xFF, kImageSize);
    }
}

int CBinaryDump::Refuse(HexFault fault) {
    m_report.fileFault = fault;
    return 0;
}

int CBinaryDump::LoadHex(const char* path) {
    Reset();
    if (!m_image || path == nullptr) {
        return Refuse(HexFault::CannotRead);
    }
    std::string text;
    switch (PathUtil::ReadFileBytes(path, text, kMaxFileSize)) {
        case PathUtil::ReadResult::Read:
            break;
        case PathUtil::ReadResult::TooLong:
            return Refuse(HexFault::TooLong);
        default:
            return Refuse(HexFault::CannotRead);
    }
    // A NUL byte ends the text.
    text.resize(std::min(text.size(), text.find('\0')));
    return LoadText(text.data(), static_cast<int>(text.size()));
}

int CBinaryDump::LoadText(const char* text, int length) {
    std::vector<Line> lines = SplitLines(text, length);
    if (lines.size() < 2) {
        // Lines end at CR LF only; a file written with LF alone says why it is one line.
        const bool lineFeeds = std::memchr(text, '\n', static_cast<std::size_t>(length)) != nullptr;
        return Refuse(lineFeeds ? HexFault::LineFeedsOnly : HexFault::TooFewLines);
    }
    const Line& last = lines.back();
    if (last.length != kEndOfFileLength || std::memcmp(last.begin, kEndOfFile, kEndOfFileLength)) {
        return Refuse(HexFault::NoEndRecord);
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const HexFault fault = ReadRecord(lines[i].begin, lines[i].length);
        if (fault != HexFault::None && m_report.refusedRecords++ == 0) {
            m_report.firstRefusedLine = static_cast<int>(i) + 1;
            m_report.firstRefusal = fault;
        }
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
    return ReadRecord(line, length) == HexFault::None ? 1 : 0;
}

// The checks in the order that names the most telling fault: the colon, the characters, the
// length, the checksum, then what the record asks for.
HexFault CBinaryDump::ReadRecord(const char* line, int length) {
    if (!m_image || line == nullptr || length < 1) {
        return HexFault::EmptyLine;
    }
    if (line[0] != ':') {
        return HexFault::NoColon;
    }
    const int digits = length - 1;
    for (int i = 1; i < length; ++i) {
        if (!IsHexDigit(line[i])) {
            return HexFault::BadCharacters;  // a NUL among them too
        }
    }
    if (digits < 10 || digits % 2 != 0 || digits / 2 > kMaxRecordBytes) {
        return HexFault::BadLength;
    }
    char text[2 * kMaxRecordBytes + 1];
    std::memcpy(text, line + 1, static_cast<std::size_t>(digits));
    text[digits] = '\0';
    unsigned char record[kMaxRecordBytes];
    if (!HexToBytes(text, record, kMaxRecordBytes)) {
        return HexFault::BadCharacters;
    }
    const int count = record[0];
    if (digits != 2 * (count + 5)) {
        return HexFault::BadLength;
    }
    unsigned char sum = 0;
    for (int i = 0; i < count + 5; ++i) {
        sum = static_cast<unsigned char>(sum + record[i]);
    }
    return sum == 0 ? ApplyRecord(record, count) : HexFault::BadChecksum;
}

HexFault CBinaryDump::ApplyRecord(const unsigned char* record, int count) {
    const unsigned char* data = record + 4;
    switch (record[3]) {
        case Data: {
            unsigned long long address =
                static_cast<unsigned long long>(m_base) + record[1] * 256u + record[2];
            if (address + static_cast<unsigned>(count) > static_cast<unsigned>(kImageSize)) {
                return HexFault::PastImage;
            }
            std::memcpy(m_image.get() + address, data, static_cast<std::size_t>(count));
            int end = static_cast<int>(address) + count;
            // An empty record writes nothing: the image does not grow to its address.
            if (count > 0 && end > m_size) {
                m_size = end;
            }
            return HexFault::None;
        }
        case ExtendedSegmentAddress:
        case ExtendedLinearAddress:
            if (count != 2) {
                return HexFault::BadLength;
            }
            m_base =
                (data[0] * 256u + data[1]) * (record[3] == ExtendedLinearAddress ? 65536u : 16u);
            return HexFault::None;
        default:
            return HexFault::None;
    }
}
