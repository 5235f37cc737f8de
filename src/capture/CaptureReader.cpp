// The capture reader: libpcap's file format as CCaptureFile writes it, and as Wireshark saves
// it again (either byte order, microsecond or nanosecond stamps).

#include <optional>

#include "capture/CaptureFile.h"
#include "capture/TrafficFile.h"

namespace {

// The first four bytes read little-endian: the magic tells the byte order and the unit of the
// stamps' fractions.
constexpr std::uint32_t kMicroMagic = 0xA1B2C3D4;
constexpr std::uint32_t kNanoMagic = 0xA1B23C4D;
constexpr std::uint32_t kPcapngMagic = 0x0A0D0D0A;
// Link types carry flags above their low 16 bits, as libpcap reads them.
constexpr std::uint32_t kLinkTypeMask = 0xFFFF;

struct Format {
    bool bigEndian = false;
    bool nanoseconds = false;
};

std::uint32_t Swap32(std::uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

std::uint32_t Le32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

std::optional<Format> FormatOf(std::uint32_t magic) {
    for (const Format format :
         {Format{false, false}, Format{false, true}, Format{true, false}, Format{true, true}}) {
        const std::uint32_t expected = format.nanoseconds ? kNanoMagic : kMicroMagic;
        if (magic == (format.bigEndian ? Swap32(expected) : expected)) {
            return format;
        }
    }
    return std::nullopt;
}

// The fields of one file, in its byte order.
class Fields {
public:
    Fields(std::string_view bytes, Format format)
        : m_data(reinterpret_cast<const unsigned char*>(bytes.data())), m_format(format) {}

    std::uint32_t U32(std::size_t at) const {
        const std::uint32_t value = Le32(m_data + at);
        return m_format.bigEndian ? Swap32(value) : value;
    }
    std::uint32_t U16(std::size_t at) const {
        return m_format.bigEndian ? (m_data[at] << 8 | m_data[at + 1])
                                  : (m_data[at] | m_data[at + 1] << 8);
    }
    const unsigned char* At(std::size_t at) const { return m_data + at; }

private:
    const unsigned char* m_data;
    Format m_format;
};

bool Refuse(std::string* error, std::string message) {
    *error = std::move(message);
    return false;
}

// What is wrong with the record's header, or "".
std::string HeaderFault(const Fields& fields, std::size_t at, std::uint32_t snapLength,
                        bool nanoseconds) {
    const std::uint32_t fraction = fields.U32(at + 4);
    const std::uint32_t kept = fields.U32(at + 8);
    const std::uint32_t length = fields.U32(at + 12);
    if (fraction >= (nanoseconds ? 1000000000u : 1000000u)) {
        return "неверная отметка времени (" + std::to_string(fraction) +
               (nanoseconds ? " наносекунд)" : " микросекунд)");
    }
    if (kept > snapLength) {
        return "длина больше снимка (" + std::to_string(kept) + " байт при снимке " +
               std::to_string(snapLength) + ")";
    }
    if (kept > length) {
        return "записано " + std::to_string(kept) + " байт, больше длины пакета (" +
               std::to_string(length) + ")";
    }
    if (kept < length) {
        return "пакет записан не целиком (" + std::to_string(kept) + " байт из " +
               std::to_string(length) + ")";
    }
    return "";
}

// The record's packet, after its header was found sound and its bytes are there; "" or what is
// wrong with it.
std::string ReadRecord(const Fields& fields, std::size_t at, bool nanoseconds,
                       TrafficRecord* record) {
    const std::uint32_t kept = fields.U32(at + 8);
    if (kept < 2) {
        return "в записи нет направления и команды (" + std::to_string(kept) + " байт)";
    }
    const unsigned char* bytes = fields.At(at + CCaptureFile::kRecordHeaderSize);
    if (bytes[0] != CCaptureFile::kReceived && bytes[0] != CCaptureFile::kSent) {
        return "неизвестное направление " + std::to_string(bytes[0]) +
               " (0 — принят, 1 — отправлен)";
    }
    if (std::string fault = RecordPacketFault(bytes[1], kept - 2); !fault.empty()) {
        return fault;
    }
    const std::uint32_t fraction = fields.U32(at + 4);
    record->time = static_cast<std::int64_t>(fields.U32(at)) * 1000000 +
                   (nanoseconds ? fraction / 1000 : fraction);
    record->sent = bytes[0] == CCaptureFile::kSent;
    record->command = bytes[1];
    record->payload.assign(bytes + 2, bytes + kept);
    return "";
}

bool ReadRecords(std::string_view bytes, const Fields& fields, std::uint32_t snapLength,
                 bool nanoseconds, TrafficFile* file, std::string* error) {
    std::size_t at = CCaptureFile::kFileHeaderSize;
    for (std::size_t number = 1; at < bytes.size(); ++number) {
        const auto name = [number] { return "Запись " + std::to_string(number) + ": "; };
        const std::size_t left = bytes.size() - at;
        std::string fault;
        if (left >= CCaptureFile::kRecordHeaderSize) {
            fault = HeaderFault(fields, at, snapLength, nanoseconds);
        }
        if (!fault.empty()) {
            return Refuse(error, name() + fault);
        }
        if (left < CCaptureFile::kRecordHeaderSize ||
            left - CCaptureFile::kRecordHeaderSize < fields.U32(at + 8)) {
            file->cutShort = name() + "файл кончается внутри записи; прочитано записей: " +
                             std::to_string(number - 1);
            return true;
        }
        TrafficRecord record;
        if (fault = ReadRecord(fields, at, nanoseconds, &record); !fault.empty()) {
            return Refuse(error, name() + fault);
        }
        file->records.push_back(std::move(record));
        at += CCaptureFile::kRecordHeaderSize + fields.U32(at + 8);
    }
    return true;
}

}  // namespace

bool ParseCapture(std::string_view bytes, TrafficFile* file, std::string* error) {
    *file = TrafficFile{};
    file->kind = TrafficFileKind::Capture;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (bytes.size() >= 4 && Le32(data) == kPcapngMagic) {
        return Refuse(error,
                      "Захват в формате pcapng: сохраните его в Wireshark в формате pcap "
                      "(Wireshark/tcpdump — pcap)");
    }
    const std::optional<Format> format =
        bytes.size() >= 4 ? FormatOf(Le32(data)) : std::optional<Format>();
    if (!format) {
        return Refuse(error, "Это не захват (pcap) и не журнал Tavrin");
    }
    if (bytes.size() < CCaptureFile::kFileHeaderSize) {
        return Refuse(error, "Заголовок захвата обрезан: " + std::to_string(bytes.size()) +
                                 " байт из " + std::to_string(CCaptureFile::kFileHeaderSize));
    }
    const Fields fields(bytes, *format);
    if (fields.U16(4) != 2) {
        return Refuse(error, "Захват версии " + std::to_string(fields.U16(4)) + "." +
                                 std::to_string(fields.U16(6)) + " не читается (нужна 2.4)");
    }
    const std::uint32_t linkType = fields.U32(20) & kLinkTypeMask;
    if (linkType != CCaptureFile::kLinkType) {
        return Refuse(error, "Тип канала захвата " + std::to_string(linkType) + ", а не " +
                                 std::to_string(CCaptureFile::kLinkType) +
                                 " (USER0): это не захват пакетов VX");
    }
    if (!ReadRecords(bytes, fields, fields.U32(16), format->nanoseconds, file, error)) {
        file->records.clear();
        return false;
    }
    return true;
}
