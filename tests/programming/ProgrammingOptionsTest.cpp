#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>

#include "programming/ProgrammingOptions.h"
#include "settings/Config.h"
#include "support/TempFiles.h"

namespace {

struct FieldsCase {
    const char* name;
    std::uint32_t steps;
    std::array<std::string, 3> texts;  // lock, fuse, extended fuse
    const char* message;               // null: every checked field was read
    std::array<int, 3> values;         // lock, fuse, extended fuse afterwards; 7 is untouched
};

void PrintTo(const FieldsCase& c, std::ostream* out) {
    *out << c.name;
}

class BitFieldsTest : public ::testing::TestWithParam<FieldsCase> {};

// Only checked fields are read, in the order lock, fuse, extended fuse; the first blank one
// stops the reading and leaves the later values as they were.
TEST_P(BitFieldsTest, ReadsCheckedFieldsUntilTheFirstBlankOne) {
    const FieldsCase& c = GetParam();
    ProgrammingOptions options;
    options.steps = c.steps;
    options.lockBits = options.fuseBits = options.fuseBitsEx = 7;
    const char* message = ReadBitFields(c.texts, &options);
    EXPECT_STREQ(message, c.message);
    EXPECT_EQ(std::tie(options.lockBits, options.fuseBits, options.fuseBitsEx),
              std::tie(c.values[0], c.values[1], c.values[2]));
}

const std::string k300(300, '1');  // only the first 255 characters count, and then saturate

INSTANTIATE_TEST_SUITE_P(
    Texts, BitFieldsTest,
    ::testing::Values(
        FieldsCase{"NoneChecked", 0x23, {"", "", ""}, nullptr, {7, 7, 7}},
        FieldsCase{"AllRead", 0x1C, {"3", " -12 ", "\t+40\r\n"}, nullptr, {3, -12, 40}},
        FieldsCase{"NotANumberIsZero", 0x04, {"abc", "", ""}, nullptr, {0, 7, 7}},
        FieldsCase{"LongText", 0x04, {k300, "", ""}, nullptr, {2147483647, 7, 7}},
        FieldsCase{"BlankLock", 0x1C, {" \t", "1", "2"}, "Пустое поле битов Lock", {7, 7, 7}},
        FieldsCase{"BlankFuseAfterLock", 0x1C, {"5", "", "2"}, "Пустое поле битов Fuse", {5, 7, 7}},
        FieldsCase{"BlankFuseEx", 0x10, {"", "", "\v"}, "Пустое поле битов FuseEx", {7, 7, 7}},
        FieldsCase{"BlankButUnchecked", 0x10, {"", "", "9"}, nullptr, {7, 7, 9}}),
    [](const auto& info) { return std::string(info.param.name); });

// The six keys come back as they were read, bits that name no step and the mode's other bits
// included, written as signed decimal in a fixed order after what the section held.
TEST(ProgrammingSettings, ReadAndWrittenBack) {
    TempDir dir;
    CurrentDirectoryScope scope(dir.Path());
    dir.Write("Tavrin.ini",
              "[Programming]\r\nFileName=/tmp/фирма.hex\r\nUseMask=64\r\nOther=x\r\n"
              "Mode=-2147483647\r\nLockBits=\r\nFuseBits=12z\r\n\r\n");
    CConfig config;
    ASSERT_EQ(config.Load("Tavrin.ini"), 1);
    ProgrammingOptions options = ReadProgrammingOptions(config);
    EXPECT_EQ(options.steps, 0x40u);
    EXPECT_EQ(options.mode, 0x80000001u);
    EXPECT_EQ(std::tie(options.lockBits, options.fuseBits, options.fuseBitsEx),
              std::make_tuple(0, 12, 0));
    EXPECT_EQ(options.fileName, "/tmp/фирма.hex");

    WriteProgrammingOptions(config, options);
    ASSERT_EQ(config.Save(), 1);
    EXPECT_EQ(ReadBytes(dir.File("Tavrin.ini")),
              "[Programming]\r\nFileName=/tmp/фирма.hex\r\nUseMask=64\r\nOther=x\r\n"
              "Mode=-2147483647\r\nLockBits=0\r\nFuseBits=12\r\nFuseBitsEx=0\r\n\r\n");

    // Absent keys read as 0 and empty, and are added in the fixed order.
    dir.Write("Other.ini", "[Main]\r\nLog=x\r\n\r\n");
    CConfig other;
    ASSERT_EQ(other.Load("Other.ini"), 1);
    WriteProgrammingOptions(other, ReadProgrammingOptions(other));
    ASSERT_EQ(other.Save(), 1);
    EXPECT_EQ(ReadBytes(dir.File("Other.ini")),
              "[Main]\r\nLog=x\r\n\r\n[Programming]\r\nMode=0\r\nUseMask=0\r\nLockBits=0\r\n"
              "FuseBits=0\r\nFuseBitsEx=0\r\nFileName=\r\n\r\n");
}

}  // namespace
