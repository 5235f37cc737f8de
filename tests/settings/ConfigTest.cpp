#include <gtest/gtest.h>

#include "settings/Config.h"
#include "support/TempFiles.h"

namespace {

using namespace std::string_literals;

// What a file reads as, shown through what Save writes back.
struct RoundTripCase {
    const char* name;
    std::string input;
    std::string saved;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class ConfigRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ConfigRoundTrip, SavesWhatWasRead) {
    TempDir dir;
    std::string path = dir.Write("Tavrin.ini", GetParam().input);
    CConfig config;
    ASSERT_EQ(config.Load(path.c_str()), 1);
    ASSERT_EQ(config.Save(), 1);
    EXPECT_EQ(ReadBytes(path), GetParam().saved);
}

const RoundTripCase kRoundTrips[] = {
    {"Empty", "", ""},
    {"Canonical", "[Main]\r\nLog=a.log\r\n\r\n", "[Main]\r\nLog=a.log\r\n\r\n"},
    {"BlanksTrimmed", "  [ Main ]  \r\n\t Log \t=  x = y \x0b\r\n\r\n",
     "[Main]\r\nLog=x = y\r\n\r\n"},
    {"CommentKeepsLeadingSpaces", "[Main]\r\n  ;   spaced note \r\nA=1\r\n",
     "[Main]\r\n;   spaced note\r\nA=1\r\n\r\n"},
    {"SemicolonInsideValue", "[Main]\r\nA=1;2\r\n", "[Main]\r\nA=1;2\r\n\r\n"},
    {"LineWithoutEquals", "[Main]\r\nFlag\r\n", "[Main]\r\nFlag=\r\n\r\n"},
    {"EmptyKeyDropped", "[Main]\r\n=v\r\n  = w\r\nA=\r\n", "[Main]\r\nA=\r\n\r\n"},
    {"LinesBeforeFirstHeaderDropped", ";top\r\nA=1\r\n[Main]\r\nB=2\r\n", "[Main]\r\nB=2\r\n\r\n"},
    {"SecondMainDroppedWhole", "[Main]\r\nA=1\r\n[Main]\r\nA=2\r\nB=3\r\n;c\r\n[X]\r\nC=4\r\n",
     "[Main]\r\nA=1\r\n\r\n[X]\r\nC=4\r\n\r\n"},
    {"HeaderWithCommentIsNoHeader", "[Main]\r\nA=1\r\n[X] ; note\r\nB=2\r\n",
     "[Main]\r\nA=1\r\nB=2\r\n\r\n"},
    {"EmptyHeaderIgnored", "[Main]\r\n[  ]\r\nA=1\r\n", "[Main]\r\nA=1\r\n\r\n"},
    {"RepeatedKeyReplacedInPlace", "[Main]\r\nA=1\r\nB=2\r\nA=3\r\n",
     "[Main]\r\nA=3\r\nB=2\r\n\r\n"},
    {"RepeatedCommentsAllKept", "[Main]\r\n;x\r\n;x\r\n", "[Main]\r\n;x\r\n;x\r\n\r\n"},
    {"LastLineWithoutCrLfLost", "[Main]\r\nA=1\r\nB=2", "[Main]\r\nA=1\r\n\r\n"},
    {"LfOnlyHoldsNoLine", "[Main]\nA=1\n", ""},
    {"LoneLfInsideValue", "[Main]\r\nA=1\n2\r\n", "[Main]\r\nA=1\n2\r\n\r\n"},
    {"LoneCrKeepsFollowingByte", "[Main]\r\nA=1\rB=2\r\n", "[Main]\r\nA=1\rB=2\r\n\r\n"},
    {"HighBytesAreNotBlank", "[\xc0\xe4\xf0]\r\n\xa0K=\xa0\r\n",
     "[\xc0\xe4\xf0]\r\n\xa0K=\xa0\r\n\r\n"},
    {"NulByteEndsItsLine", "[Main]\r\nA=1\0=2\r\nB=2\r\n"s, "[Main]\r\nA=1\r\nB=2\r\n\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Files, ConfigRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Config, ReadsFromTheDirectoryCurrentAtConstruction) {
    TempDir dir;
    dir.Write("Tavrin.ini", "[Main]\r\nLog=x.log\r\n");
    std::unique_ptr<CConfig> config;
    {
        CurrentDirectoryScope scope(dir.Path());
        config = std::make_unique<CConfig>();
    }
    ASSERT_EQ(config->Load("Tavrin.ini"), 1);
    EXPECT_EQ(config->GetString("Main", "Log"), "x.log");
    config->SetValue("Main", "Log", "y.log");
    ASSERT_EQ(config->Save(), 1);
    EXPECT_EQ(ReadBytes(dir.File("Tavrin.ini")), "[Main]\r\nLog=y.log\r\n\r\n");
}

// A file that is not there empties the model (lookups give the defaults), and a model whose
// file cannot be created, or that has no name, is not saved.
TEST(Config, MissingFileGivesEmptyModelAndDefaultsAndCannotBeSaved) {
    TempDir dir;
    CConfig config;
    config.SetValue("Main", "Log", "old");
    EXPECT_EQ(config.Load(dir.File("missing/a.ini").c_str()), 0);
    EXPECT_TRUE(config.GetSections().empty());
    EXPECT_EQ(config.GetInt("Main", "DeviceType", -1), -1);
    EXPECT_EQ(config.GetString("Main", "Log"), "");
    EXPECT_EQ(config.GetString("Main", "Log", "dflt"), "dflt");
    config.SetValue("Main", "A", "1");
    EXPECT_EQ(config.Save(), 0);
    CConfig unnamed;
    EXPECT_EQ(unnamed.Save(), 0);
}

TEST(Config, LookupsAreExactAndCaseSensitive) {
    TempDir dir;
    CConfig config;
    ASSERT_EQ(config.Load(dir.Write("a.ini", "[Main]\r\nLog=x\r\nEmpty=\r\n").c_str()), 1);
    std::string out = "unchanged";
    EXPECT_EQ(config.GetValue("main", "Log", out), 0);
    EXPECT_EQ(config.GetValue("Main", "log", out), 0);
    EXPECT_EQ(config.GetValue("Main", "", out), 0);
    EXPECT_EQ(config.GetValue("Main", nullptr, out), 0);
    EXPECT_EQ(out, "unchanged");
    EXPECT_EQ(config.GetValue("Main", "Empty", out), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(config.GetInt("Main", "Empty", -1), 0);
}

struct IntCase {
    const char* value;
    int expected;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const IntCase& c, std::ostream* os) {
    *os << "value " << '"' << c.value << '"';
}

class ConfigInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(ConfigInt, ReadsLeadingDecimal) {
    CConfig config;
    config.SetValue("Main", "N", GetParam().value);
    EXPECT_EQ(config.GetInt("Main", "N", 77), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ConfigInt,
                         ::testing::Values(IntCase{"12", 12}, IntCase{"-1", -1}, IntCase{"+7", 7},
                                           IntCase{"3abc", 3}, IntCase{"USB", 0}, IntCase{"-", 0},
                                           IntCase{"0x10", 0}, IntCase{"2147483647", INT_MAX},
                                           IntCase{"-2147483648", INT_MIN},
                                           IntCase{"99999999999999999999", INT_MAX},
                                           IntCase{"-99999999999999999999", INT_MIN}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(Config, SetValueAndAddSectionAppendAtTheEnd) {
    TempDir dir;
    CConfig config;
    std::string path = dir.Write("a.ini", "[Main]\r\nA=1\r\n[Programming]\r\nMode=1\r\n");
    ASSERT_EQ(config.Load(path.c_str()), 1);
    EXPECT_EQ(config.SetValue("Driver", "Directory", "/dev"), 1);
    EXPECT_EQ(config.SetValue("Main", "B", "2"), 1);
    EXPECT_EQ(config.SetValue("Main", "A", "-1"), 1);
    EXPECT_EQ(config.SetValue("Main", ";", " note"), 1);
    EXPECT_EQ(config.SetValue("", "A", "1"), 0);
    EXPECT_EQ(config.SetValue("Main", "", "1"), 0);
    EXPECT_EQ(config.AddSection("Programming"), 0);
    EXPECT_EQ(config.AddSection(""), 0);
    EXPECT_EQ(config.AddSection("Empty"), 1);
    ASSERT_EQ(config.Save(), 1);
    EXPECT_EQ(ReadBytes(path),
              "[Main]\r\nA=-1\r\nB=2\r\n; note\r\n\r\n[Programming]\r\nMode=1\r\n\r\n"
              "[Driver]\r\nDirectory=/dev\r\n\r\n[Empty]\r\n\r\n");
}

// A hand-edited file: a header with a comment after it sends the next key to the section
// before it, and the last line without a line end is lost.
TEST(Config, ReferenceFileReadsAndSavesAsExpected) {
    std::filesystem::path data = SourcePath("tests/data");
    TempDir dir;
    std::string path = dir.Write("Tavrin.ini", ReadBytes((data / "Tavrin.ini").string()));
    CConfig config;
    ASSERT_EQ(config.Load(path.c_str()), 1);
    EXPECT_EQ(config.GetInt("Main", "DeviceType", -1), 0);
    EXPECT_EQ(config.GetInt("Programming", "FuseBits", 0), -1);
    EXPECT_EQ(config.GetString("Programming", "FileName"), "C:\\firmware\\vx=2.hex");
    EXPECT_EQ(config.GetString("Driver", "Directory"), "/dev");
    ASSERT_EQ(config.Save(), 1);
    EXPECT_EQ(ReadBytes(path), ReadBytes((data / "Tavrin.saved.ini").string()));
}

TEST(Config, LongLinesAndKeysSurvive) {
    TempDir dir;
    std::string key(255, 'K');
    std::string value(100000, 'v');
    std::string text = "[Main]\r\n" + key + "=" + value + "\r\n";
    std::string path = dir.Write("a.ini", text);
    CConfig config;
    ASSERT_EQ(config.Load(path.c_str()), 1);
    EXPECT_EQ(config.GetString("Main", key.c_str()), value);
    ASSERT_EQ(config.Save(), 1);
    EXPECT_EQ(ReadBytes(path), text + "\r\n");
}

}  // namespace
