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

// Only checked fields are read, in the order lock, fuse, extended fuse; the first that is blank
// or holds no bit value stops the reading, names itself, and leaves its value and the later
// ones as they were.
TEST_P(BitFieldsTest, ReadsCheckedFieldsUntilTheFirstBadOne) {
    const FieldsCase& c = GetParam();
    ProgrammingOptions options;
    options.steps = c.steps;
    options.lockBits = options.fuseBits = options.fuseBitsEx = 7;
    EXPECT_STREQ(ReadBitFields(c.texts, &options), c.message);
    EXPECT_EQ(std::tie(options.lockBits, options.fuseBits, options.fuseBitsEx),
              std::tie(c.values[0], c.values[1], c.values[2]));
}

constexpr const char* kBadLock =
    "Неверное значение битов Lock: число от 0 до 255 (десятичное или 0x..)";
constexpr const char* kBadFuse =
    "Неверное значение битов Fuse: число от 0 до 255 (десятичное или 0x..)";
constexpr const char* kBadFuseEx =
    "Неверное значение битов FuseEx: число от 0 до 255 (десятичное или 0x..)";

const std::string k300(300, '1');  // only the first 255 characters count

INSTANTIATE_TEST_SUITE_P(
    Texts, BitFieldsTest,
    ::testing::Values(
        FieldsCase{"NoneChecked", 0x23, {"FF", "", ""}, nullptr, {7, 7, 7}},
        FieldsCase{"AllRead", 0x1C, {"3", " 0x0c ", "\t0XFF\r\n"}, nullptr, {3, 12, 255}},
        FieldsCase{"Bounds", 0x1C, {"0", "255", "0x00"}, nullptr, {0, 255, 0}},
        FieldsCase{"HexWithoutPrefix", 0x04, {"FF", "", ""}, kBadLock, {7, 7, 7}},
        FieldsCase{"PrefixAlone", 0x04, {"0x", "", ""}, kBadLock, {7, 7, 7}},
        FieldsCase{"TextAfterTheNumber", 0x04, {"0xC0h", "", ""}, kBadLock, {7, 7, 7}},
        FieldsCase{"TwoNumbers", 0x04, {"1 2", "", ""}, kBadLock, {7, 7, 7}},
        FieldsCase{"TooLarge", 0x08, {"", "300", ""}, kBadFuse, {7, 7, 7}},
        FieldsCase{"HexTooLarge", 0x08, {"", "0x100", ""}, kBadFuse, {7, 7, 7}},
        FieldsCase{"Negative", 0x10, {"", "", "-1"}, kBadFuseEx, {7, 7, 7}},
        FieldsCase{"Signed", 0x10, {"", "", "+5"}, kBadFuseEx, {7, 7, 7}},
        FieldsCase{"BadFuseAfterLock", 0x1C, {"5", "abc", "2"}, kBadFuse, {5, 7, 7}},
        FieldsCase{"LongText", 0x04, {k300, "", ""}, kBadLock, {7, 7, 7}},
        FieldsCase{"BlankLock", 0x1C, {" \t", "1", "2"}, "Пустое поле битов Lock", {7, 7, 7}},
        FieldsCase{"BlankFuseAfterLock", 0x1C, {"5", "", "2"}, "Пустое поле битов Fuse", {5, 7, 7}},
        FieldsCase{"BlankFuseEx", 0x10, {"", "", "\v"}, "Пустое поле битов FuseEx", {7, 7, 7}},
        FieldsCase{"BlankButUnchecked", 0x10, {"", "x", "9"}, nullptr, {7, 7, 9}}),
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
