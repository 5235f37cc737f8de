#pragma once
// The firmware image: an Intel HEX file read into a flat 1 MiB memory image from address 0,
// every byte no record sets left at 0xFF (erased FLASH).
//
// A file is refused whole when it cannot be read, is longer than 524,288 bytes, has fewer than two
// CR LF separated lines, or does not end with the exact line ":00000001FF". Otherwise every line is
// applied as a record in file order, and invalid records are skipped. The load still succeeds
// then, but it tells how many it skipped and why the first one was: a caller that sends the
// image to a device refuses such a file (an image with holes is not what its author meant).
// Records: 00 data (at base + offset), 02 extended segment address (base = value * 16),
// 04 extended linear address (base = value * 65536), any other type is accepted and ignored.
// A data record that would reach past the image is invalid: nothing is written outside it.

#include <memory>
#include <string>
#include <string_view>

// Why a line is not a record, or why a file was refused whole.
enum class HexFault {
    None,
    // One record (the load goes on without it).
    EmptyLine,
    NoColon,
    BadCharacters,
    BadLength,  // too short or long, an odd number of digits, or not N + 5 bytes
    BadChecksum,
    PastImage,  // data that would reach past the 1 MiB image
    // The whole file.
    CannotRead,
    TooLong,
    TooFewLines,
    LineFeedsOnly,  // fewer than two lines, with lone LFs where CR LF should be
    NoEndRecord,
};

// What the last load refused. Reasons and texts are Russian, UTF-8.
struct HexLoadReport {
    HexFault fileFault = HexFault::None;  // LoadHex returned 0 because of this
    int refusedRecords = 0;               // lines skipped by a load that succeeded
    int firstRefusedLine = 0;             // 1-based, counting CR LF lines; 0 when none
    HexFault firstRefusal = HexFault::None;

    bool IsWhole() const { return fileFault == HexFault::None && refusedRecords == 0; }
    // Why the file is refused, or which record was refused first, as one line ("Строка 17:
    // неверная контрольная сумма"); empty when the file loaded whole.
    std::string Describe() const;
};

// A fault as words: "неверная контрольная сумма", "файл длиннее 524288 байт", ...; "" for None.
const char* HexFaultText(HexFault fault);

class CBinaryDump {
public:
    static constexpr int kImageSize = 0x100000;
    static constexpr int kMaxFileSize = 0x80000;
    static constexpr int kMaxRecordBytes = 261;  // N = 255 plus the 6 bytes around the data

    // The image is allocated here; if that fails every load is refused and GetData is null.
    CBinaryDump();
    virtual ~CBinaryDump();

    CBinaryDump(const CBinaryDump&) = delete;
    CBinaryDump& operator=(const CBinaryDump&) = delete;

    // 1 loaded, 0 refused (the image is then empty: size 0, every byte 0xFF). GetLoadReport
    // tells why a file was refused and which records were skipped.
    int LoadHex(const char* path);
    // The same for a path held as a string (a std::filesystem::path gives one by string()).
    int LoadHex(const std::string& path) { return LoadHex(path.c_str()); }
    // One line without its line end: ":" and digit pairs. 1 when the record was valid and
    // applied, 0 when it was skipped.
    int ParseRecord(const char* line);
    int ParseRecord(const char* line, int length);
    int ParseRecord(std::string_view line);

    // Highest address written by a data record, plus one; 0 for an empty image.
    int GetSize() const { return m_size; }
    const unsigned char* GetData() const { return m_image.get(); }
    const HexLoadReport& GetLoadReport() const { return m_report; }

private:
    void Reset();
    int Refuse(HexFault fault);
    int LoadText(const char* text, int length);
    HexFault ReadRecord(const char* line, int length);
    HexFault ApplyRecord(const unsigned char* record, int count);

    std::unique_ptr<unsigned char[]> m_image;
    int m_size = 0;
    unsigned int m_base = 0;
    HexLoadReport m_report;
};
