#include <gtest/gtest.h>

#include <filesystem>

#include "programming/BinaryDump.h"
#include "support/HexFiles.h"
#include "support/TempFiles.h"

namespace {

using namespace std::string_literals;
using Bytes = std::vector<unsigned char>;

const Bytes kFour = {0x11, 0x22, 0x33, 0x44};

// One record applied to a fresh image: is it valid, and where do its bytes land?
struct RecordCase {
    const char* name;
    std::string line;
    int valid;
    int size;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const RecordCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class HexRecordRule : public ::testing::TestWithParam<RecordCase> {};

TEST_P(HexRecordRule, AppliesOrSkips) {
    CBinaryDump dump;
    EXPECT_EQ(dump.ParseRecord(GetParam().line.c_str()), GetParam().valid);
    EXPECT_EQ(dump.GetSize(), GetParam().size);
    if (GetParam().size == 0) {
        for (int i = 0; i < CBinaryDump::kImageSize; ++i) {
            ASSERT_EQ(dump.GetData()[i], 0xFF) << i;
        }
    }
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

const std::string kGood = HexRecord(0x0100, 0x00, kFour);  // :0401000011223344..

const RecordCase kRecords[] = {
    {"Data", kGood, 1, 0x0104},
    {"LowerCaseDigits", Lower(kGood), 1, 0x0104},
    {"EndOfFile", kHexEnd, 1, 0},
    {"OtherTypesAccepted", HexRecord(0, 0x05, kFour), 1, 0},
    {"EmptyDataRecord", HexRecord(0, 0x00, {}), 1, 0},
    // It writes nothing, so the image does not grow to its address.
    {"EmptyDataRecordHigherUp", HexRecord(0x0100, 0x00, {}), 1, 0},
    {"LargestRecord", HexRecord(0, 0x00, Bytes(255, 0xAB)), 1, 255},
    {"Empty", "", 0, 0},
    {"NoColon", kGood.substr(1), 0, 0},
    {"SpaceBeforeColon", " " + kGood, 0, 0},
    {"TooShort", ":00000001F", 0, 0},
    {"WrongChecksum", HexRecord(0x0100, 0x00, kFour, 0x00), 0, 0},
    {"LengthByteTooLarge", ":05010000112233445E", 0, 0},
    {"LengthByteTooSmall", ":030100001122334462", 0, 0},
    {"OddDigitCount", kGood + "0", 0, 0},
    {"TrailingCr", kGood + "\r", 0, 0},
    {"NonHexDigit", ":04010000112233G4" + kGood.substr(17), 0, 0},
    {"HundredThousandCharacters", ":" + std::string(100000, 'F'), 0, 0},
    {"AddressRecordNeedsTwoBytes", HexRecord(0, 0x04, {0, 1, 0}), 0, 0},
    {"EndsAtTheImageEnd", HexRecord(0xFFFC, 0x00, kFour), 1, 0x10000},
};

INSTANTIATE_TEST_SUITE_P(Records, HexRecordRule, ::testing::ValuesIn(kRecords),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BinaryDump, LengthOverloadReadsOnlyTheGivenCharacters) {
    CBinaryDump dump;
    std::string lines = kGood + "\r\n" + HexRecord(0x0200, 0x00, kFour);
    EXPECT_EQ(dump.ParseRecord(lines.data(), static_cast<int>(kGood.size())), 1);
    EXPECT_EQ(dump.GetSize(), 0x0104);
    EXPECT_EQ(dump.ParseRecord(lines.data(), static_cast<int>(kGood.size()) + 1), 0);
    std::string withNul = kGood;
    withNul[5] = '\0';
    EXPECT_EQ(dump.ParseRecord(withNul.data(), static_cast<int>(withNul.size())), 0);
    EXPECT_EQ(dump.ParseRecord(withNul), 0);
    EXPECT_EQ(dump.ParseRecord(kGood), 1);
    EXPECT_EQ(dump.ParseRecord(nullptr), 0);
    EXPECT_EQ(dump.ParseRecord(kGood.data(), -1), 0);
}

// Whole files: the result, the size, and bytes at chosen addresses (-1 for "not checked").
struct Probe {
    int address;
    int value;
};

struct FileCase {
    const char* name;
    std::string text;
    int loaded;
    int size;
    std::vector<Probe> probes;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const FileCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class HexFileRule : public ::testing::TestWithParam<FileCase> {};

TEST_P(HexFileRule, LoadsOrRefuses) {
    TempDir dir;
    CBinaryDump dump;
    // A previous load must leave nothing behind: base, size and bytes start afresh.
    std::string earlier = HexRecord(0, 0x04, {0, 3}) + "\r\n" + HexRecord(0, 0x00, kFour) + "\r\n" +
                          HexRecord(0x10, 0x00, kFour) + "\r\n" + kHexEnd + "\r\n";
    ASSERT_EQ(dump.LoadHex(dir.Write("earlier.hex", earlier).c_str()), 1);
    ASSERT_EQ(dump.GetSize(), 0x30014);

    EXPECT_EQ(dump.LoadHex(dir.Write("t.hex", GetParam().text).c_str()), GetParam().loaded);
    EXPECT_EQ(dump.GetSize(), GetParam().size);
    EXPECT_EQ(dump.GetData()[0x30000], 0xFF);
    if (!GetParam().loaded) {
        EXPECT_EQ(dump.GetData()[0], 0xFF);
    }
    for (const Probe& probe : GetParam().probes) {
        EXPECT_EQ(dump.GetData()[probe.address], probe.value) << std::hex << probe.address;
    }
}

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

const std::string kData0 = HexRecord(0x0000, 0x00, Bytes(16, 0xA0));
const std::string kData100 = HexRecord(0x0100, 0x00, Bytes(16, 0xB0));

const FileCase kFiles[] = {
    {"TwoRecordsWithGap",
     Lines({kData0, kData100, kHexEnd}),
     1,
     0x0110,
     {{0x00, 0xA0}, {0x0F, 0xA0}, {0x10, 0xFF}, {0xFF, 0xFF}, {0x100, 0xB0}, {0x10F, 0xB0}}},
    {"NoFinalLineEnd", Lines({kData0}) + kHexEnd, 1, 0x10, {{0, 0xA0}}},
    {"LinearAddress",
     Lines({HexRecord(0, 0x04, {0x00, 0x01}), HexRecord(0x0200, 0x00, kFour), kHexEnd}),
     1,
     0x10204,
     {{0x10200, 0x11}, {0x10203, 0x44}, {0x0200, 0xFF}}},
    {"SegmentAddress",
     Lines({HexRecord(0, 0x02, {0x10, 0x00}), HexRecord(0x0004, 0x00, kFour), kHexEnd}),
     1,
     0x10008,
     {{0x10004, 0x11}}},
    {"BaseKeepsUntilTheNextAddressRecord",
     Lines({HexRecord(0, 0x04, {0, 1}), HexRecord(0, 0x00, {1}), HexRecord(1, 0x00, {2}),
            HexRecord(0, 0x04, {0, 0}), HexRecord(0, 0x00, {3}), kHexEnd}),
     1,
     0x10002,
     {{0x10000, 1}, {0x10001, 2}, {0, 3}}},
    {"BadChecksumSkippedOthersLoad",
     Lines({HexRecord(0, 0x00, kFour, 0x12), kData100, kHexEnd}),
     1,
     0x0110,
     {{0, 0xFF}, {0x100, 0xB0}}},
    {"OnlyEndAndAnotherLine", Lines({"garbage", kHexEnd}), 1, 0, {}},
    {"LaterRecordOverwrites",
     Lines({kData0, HexRecord(0x0004, 0x00, kFour), kHexEnd}),
     1,
     0x10,
     {{3, 0xA0}, {4, 0x11}, {8, 0xA0}}},
    {"RecordPastTheImageSkipped",
     Lines({HexRecord(0, 0x04, {0x00, 0x0F}), HexRecord(0xFFFE, 0x00, kFour),
            HexRecord(0xFFFC, 0x00, kFour), HexRecord(0, 0x04, {0x00, 0x10}),
            HexRecord(0, 0x00, kFour), HexRecord(0, 0x04, {0xFF, 0xFF}),
            HexRecord(0xFFFF, 0x00, kFour), HexRecord(0, 0x02, {0xFF, 0xFF}),
            HexRecord(0xFFF0, 0x00, kFour), kHexEnd}),
     1,
     0x100000,
     {{0xFFFFC, 0x11}, {0xFFFFF, 0x44}, {0x00000, 0xFF}, {0x0FFFF, 0xFF}}},
    {"Empty", "", 0, 0, {}},
    {"OnlyEndLine", kHexEnd, 0, 0, {}},
    {"EmptyLineAfterEnd", Lines({kData0, kHexEnd, ""}), 0, 0, {}},
    {"LowerCaseEnd", Lines({kData0, ":00000001ff"}), 0, 0, {}},
    {"LfLineEnds", kData0 + "\n" + kHexEnd + "\n", 0, 0, {}},
    {"NoEndRecord", Lines({kData0, kData100}), 0, 0, {}},
    {"NulEndsTheText", Lines({kData0, kHexEnd}) + "\0"s + Lines({kData100, "x"}), 1, 0x10, {}},
    {"NulBeforeTheEnd", Lines({kData0}) + "\0"s + Lines({kHexEnd}), 0, 0, {}},
};

INSTANTIATE_TEST_SUITE_P(Files, HexFileRule, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// What a load tells of the lines it skipped, or of why it refused the file: the first skipped
// line (counted in CR LF lines) with its reason, and how many there were.
struct ReportCase {
    const char* name;
    std::string text;
    std::string described;
};

[[maybe_unused]] void PrintTo(const ReportCase& c, std::ostream* os) {
    *os << c.name;
}

class HexLoadReportRule : public ::testing::TestWithParam<ReportCase> {};

TEST_P(HexLoadReportRule, NamesTheFirstRefusedLine) {
    TempDir dir;
    CBinaryDump dump;
    dump.LoadHex(dir.Write("t.hex", GetParam().text).c_str());
    EXPECT_EQ(dump.GetLoadReport().Describe(), GetParam().described);
    EXPECT_EQ(dump.GetLoadReport().IsWhole(), GetParam().described.empty());
}

const ReportCase kReports[] = {
    {"Whole", Lines({kData0, HexRecord(0, 0x04, {0, 1}), kData100, kHexEnd}), ""},
    {"Checksum", Lines({kData0, HexRecord(0x10, 0x00, kFour, 0x12), kData100, kHexEnd}),
     "Строка 2: неверная контрольная сумма"},
    {"Characters", Lines({kData0, kData100, ":10zz", kHexEnd}), "Строка 3: недопустимые символы"},
    {"CharacterAfterTheRecord", Lines({kData0 + " ", kHexEnd}), "Строка 1: недопустимые символы"},
    {"LengthByte", Lines({":05010000112233445E", kHexEnd}), "Строка 1: неверная длина записи"},
    {"OddDigits", Lines({kData0 + "0", kHexEnd}), "Строка 1: неверная длина записи"},
    {"AddressRecordLength", Lines({HexRecord(0, 0x04, {0, 1, 0}), kHexEnd}),
     "Строка 1: неверная длина записи"},
    {"PastTheImage", Lines({HexRecord(0, 0x04, {0x00, 0x10}), HexRecord(0, 0x00, kFour), kHexEnd}),
     "Строка 2: адрес за пределами образа"},
    {"NoColon", Lines({kData0.substr(1), kHexEnd}), "Строка 1: нет двоеточия в начале строки"},
    {"EmptyLine", Lines({kData0, "", kHexEnd}), "Строка 2: пустая строка"},
    {"Several", Lines({kData0, "x", HexRecord(0x10, 0x00, kFour, 0), "y", kHexEnd}),
     "Строка 2: нет двоеточия в начале строки (всего неверных строк: 3)"},
    {"NoEndRecord", Lines({kData0, kData100}), "Последняя строка не :00000001FF"},
    {"OneLine", kHexEnd, "В файле меньше двух строк"},
    {"LineFeedsOnly", kData0 + "\n" + kHexEnd + "\n",
     "В файле меньше двух строк: строки должны оканчиваться CR LF, а не LF"},
};

INSTANTIATE_TEST_SUITE_P(Files, HexLoadReportRule, ::testing::ValuesIn(kReports),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BinaryDump, LargestFileLoadsAndOneByteMoreIsRefused) {
    TempDir dir;
    CBinaryDump dump;
    int dataBytes = 0;
    std::string largest = HexFileOfSize(CBinaryDump::kMaxFileSize, &dataBytes);
    ASSERT_EQ(largest.size(), static_cast<std::size_t>(CBinaryDump::kMaxFileSize));
    ASSERT_EQ(dump.LoadHex(dir.Write("max.hex", largest).c_str()), 1);
    EXPECT_EQ(dump.GetSize(), dataBytes);
    for (int i = 0; i < dataBytes; ++i) {
        ASSERT_EQ(dump.GetData()[i], static_cast<unsigned char>(i)) << i;
    }
    std::string tooLong = HexFileOfSize(CBinaryDump::kMaxFileSize + 1);
    ASSERT_EQ(tooLong.size(), static_cast<std::size_t>(CBinaryDump::kMaxFileSize) + 1);
    EXPECT_EQ(dump.LoadHex(dir.Write("over.hex", tooLong).c_str()), 0);
    EXPECT_EQ(dump.GetLoadReport().Describe(), "Файл длиннее 524288 байт");
    EXPECT_EQ(dump.GetSize(), 0);
    EXPECT_EQ(dump.GetData()[0], 0xFF);
}

TEST(BinaryDump, UnreadableFilesAreRefused) {
    TempDir dir;
    CBinaryDump dump;
    EXPECT_EQ(dump.LoadHex(dir.File("missing.hex").c_str()), 0);
    EXPECT_EQ(dump.GetLoadReport().Describe(), "Файл не удаётся прочитать");
    EXPECT_EQ(dump.LoadHex(dir.Path().string().c_str()), 0);
    EXPECT_EQ(dump.LoadHex(nullptr), 0);
}

TEST(BinaryDump, ExampleImage) {
    CBinaryDump dump;
    // A path object or a string will do as well as a C string.
    ASSERT_EQ(dump.LoadHex(SourcePath("examples/firmware.hex").string()), 1);
    EXPECT_TRUE(dump.GetLoadReport().IsWhole()) << dump.GetLoadReport().Describe();
    EXPECT_EQ(dump.GetSize(), 0x10100);
    EXPECT_EQ(dump.GetData()[0], 0x0C);
    EXPECT_EQ(dump.GetData()[0x0C00], 0xFF);
    EXPECT_EQ(dump.GetData()[0xFFFF], 0xFF);
    EXPECT_EQ(dump.GetData()[0x10000], 0x00);
    EXPECT_EQ(dump.GetData()[0x100FE], 0xFE);
}

}  // namespace
