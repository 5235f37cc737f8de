#include <gtest/gtest.h>

#include "settings/Config.h"
#include "support/TempFiles.h"
#ifndef _WIN32
#include "support/FileSizeLimit.h"
#endif

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

// A file not read whole is kept as it was before the first save replaces it; a file read whole
// gets no copy. A second save keeps the first copy, which holds the user's own bytes.
struct UnreadCase {
    const char* name;
    std::string input;
    bool backedUp;
};

class ConfigUnreadBytes : public ::testing::TestWithParam<UnreadCase> {};

TEST_P(ConfigUnreadBytes, AreKeptBesideTheFileBeforeItIsReplaced) {
    TempDir dir;
    std::string path = dir.Write("Tavrin.ini", GetParam().input);
    CConfig config;
    ASSERT_EQ(config.Load(path.c_str()), 1);
    EXPECT_EQ(config.WasPartlyRead(), GetParam().backedUp);
    config.SetValue("Main", "DeviceType", "1");
    ASSERT_EQ(config.Save(), 1);
    ASSERT_EQ(std::filesystem::exists(path + ".bak"), GetParam().backedUp);
    config.SetValue("Main", "DeviceType", "2");
    ASSERT_EQ(config.Save(), 1);
    if (GetParam().backedUp) {
        EXPECT_EQ(ReadBytes(path + ".bak"), GetParam().input);
    }
    EXPECT_EQ(config.Load(path.c_str()), 1);
    EXPECT_FALSE(config.WasPartlyRead());
    EXPECT_EQ(config.GetString("Main", "DeviceType"), "2");
}

const UnreadCase kUnreadCases[] = {
    {"LfLineEnds", "[Main]\nLog=a.log\n[Driver]\nDirectory=/dev\n", true},
    {"TextAfterLastCrLf", "[Main]\r\nA=1\r\n; last note", true},
    {"OneLineWithoutEnd", "[Main]", true},
    {"WholeFile", "[Main]\r\nA=1\r\n", false},
    {"EmptyFile", "", false},
};

INSTANTIATE_TEST_SUITE_P(Files, ConfigUnreadBytes, ::testing::ValuesIn(kUnreadCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The file edited by hand after it was read: the save changes the keys the program set
// (DeviceType 1, DeviceNumber 4) in the file as it now is, as reading sees them, and keeps
// every other byte, at that save and at the next. A file that was removed gets the model.
struct HandEditCase {
    const char* name;
    const char* before;  // null: no file when the program started
    const char* edited;  // null: removed before the save
    const char* saved;
};

[[maybe_unused]] void PrintTo(const HandEditCase& c, std::ostream* os) {
    *os << c.name;
}

class ConfigHandEdit : public ::testing::TestWithParam<HandEditCase> {};

TEST_P(ConfigHandEdit, KeepsTheUsersBytes) {
    const HandEditCase& c = GetParam();
    TempDir dir;
    const std::string path = dir.File("Tavrin.ini");
    if (c.before != nullptr) {
        dir.Write("Tavrin.ini", c.before);
    }
    CConfig config;
    config.Load(path.c_str());
    std::filesystem::remove(path);
    if (c.edited != nullptr) {
        dir.Write("Tavrin.ini", c.edited);
    }
    config.SetValue("Main", "DeviceType", "1");
    config.SetValue("Main", "DeviceNumber", "4");
    ASSERT_EQ(config.Save(), 1);
    EXPECT_EQ(ReadBytes(path), c.saved);
    EXPECT_FALSE(std::filesystem::exists(path + ".bak"));
    EXPECT_EQ(config.GetInt("Main", "DeviceNumber", -1), 4);
    config.SetValue("Main", "DeviceNumber", "4");
    ASSERT_EQ(config.Save(), 1);
    EXPECT_EQ(ReadBytes(path), c.saved) << "a second save";
}

const char* const kStarted = "[Main]\r\nDeviceType=0\r\nDeviceNumber=0\r\n\r\n";

const HandEditCase kHandEdits[] = {
    {"ValuesReplacedInPlace", kStarted,
     "; my rig\r\n[Main]\r\n  DeviceType = 0   \r\nDeviceNumber=0\r\nLog = t.log\r\n\r\n\r\n"
     "[Mine]\r\nx=1\r\n",
     "; my rig\r\n[Main]\r\n  DeviceType = 1   \r\nDeviceNumber=4\r\nLog = t.log\r\n\r\n\r\n"
     "[Mine]\r\nx=1\r\n"},
    {"MissingKeyAfterTheSectionsLastLine", kStarted,
     "[Main]\r\nDeviceType=\r\n;note\r\n\r\n[Driver]\r\nDirectory=/x\r\n",
     "[Main]\r\nDeviceType=1\r\n;note\r\nDeviceNumber=4\r\n\r\n[Driver]\r\nDirectory=/x\r\n"},
    {"MissingSectionBeforeTheUnreadEnd", kStarted, "[Driver]\r\nDirectory=/x\r\n; no end",
     "[Driver]\r\nDirectory=/x\r\n\r\n[Main]\r\nDeviceType=1\r\nDeviceNumber=4\r\n; no end"},
    {"TheLinesReadingTakes", kStarted,
     "DeviceType=7\r\n[Main] ;x\r\n[Main]\r\nDeviceType=0\r\nDeviceType=2\r\nDeviceNumber\r\n"
     "[Main]\r\nDeviceNumber=9\r\n",
     "DeviceType=7\r\n[Main] ;x\r\n[Main]\r\nDeviceType=0\r\nDeviceType=1\r\nDeviceNumber=4\r\n"
     "[Main]\r\nDeviceNumber=9\r\n"},
    {"MadeWhileTheProgramRan", nullptr, "[Driver]\r\nDirectory=/x\r\n",
     "[Driver]\r\nDirectory=/x\r\n\r\n[Main]\r\nDeviceType=1\r\nDeviceNumber=4\r\n"},
    {"Removed", "; note\r\n[Main]\r\nLog=a\r\n", nullptr,
     "[Main]\r\nLog=a\r\nDeviceType=1\r\nDeviceNumber=4\r\n\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Files, ConfigHandEdit, ::testing::ValuesIn(kHandEdits),
                         [](const auto& info) { return std::string(info.param.name); });

// The window's keys at close: into the file as it stands, read by the program or not, its
// spacing, blank lines, lines the reader drops and bytes after the last CR LF kept; the model
// when there is no file.
TEST(Config, SaveSetKeysTouchesNothingElse) {
    const std::pair<const char*, const char*> cases[] = {
        {"; top\r\n[Main]\r\n  Log = a \r\nFlag\r\n\r\n\r\n[Window]\r\nX = 5\r\nB=2",
         "; top\r\n[Main]\r\n  Log = a \r\nFlag\r\n\r\n\r\n[Window]\r\nX = 7\r\nY=8\r\nB=2"},
        {nullptr, "[Window]\r\nX=7\r\nY=8\r\n\r\n"},
    };
    for (const auto& [before, after] : cases) {
        TempDir dir;
        const std::string path = dir.File("Tavrin.ini");
        if (before != nullptr) {
            dir.Write("Tavrin.ini", before);
        }
        CConfig config;
        config.Load(path.c_str());
        config.SetValue("Window", "X", "7");
        config.SetValue("Window", "Y", "8");
        ASSERT_EQ(config.SaveSetKeys(), 1);
        EXPECT_EQ(ReadBytes(path), after);
        EXPECT_FALSE(std::filesystem::exists(path + ".bak")) << "nothing of the file was lost";
    }
}

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
                                           IntCase{"3abc", 3}, IntCase{"USB", 0},
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

// Far more sections, and keys in one section, than a hand-made file has. Found one by one in
// lists, they would take the better part of an hour to load (it grows with the square of the
// count; a file of a quarter of the size took a minute); through the indexes, seconds, also under
// the sanitizers. The test's time-out is what fails here.
TEST(Config, HugeFilesLoadInLinearTime) {
    constexpr int kSections = 400000;
    constexpr int kKeys = 400000;
    std::string text;
    text.reserve(12 * 1000 * 1000);
    for (int i = 0; i < kSections; ++i) {
        text += "[S" + std::to_string(i) + "]\r\nK=" + std::to_string(i) + "\r\n\r\n";
    }
    text += "[Keys]\r\n";
    for (int i = 0; i < kKeys; ++i) {
        text += "K" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    }
    text += "\r\n";
    TempDir dir;
    std::string path = dir.Write("Tavrin.ini", text);
    CConfig config;
    ASSERT_EQ(config.Load(path.c_str()), 1);
    ASSERT_EQ(config.GetSections().size(), static_cast<std::size_t>(kSections + 1));
    for (int i = 0; i < kSections; i += 997) {
        EXPECT_EQ(config.GetInt(("S" + std::to_string(i)).c_str(), "K", -1), i);
        EXPECT_EQ(config.GetInt("Keys", ("K" + std::to_string(i)).c_str(), -1), i);
    }
    // Every section and key is looked up once more while the file is read again.
    config.SetValue("Keys", "K0", "changed");
    ASSERT_EQ(config.Save(), 1);
    ASSERT_EQ(config.Load(path.c_str()), 1);
    EXPECT_EQ(config.GetString("Keys", "K0"), "changed");
    config.SetValue("Keys", "K0", "0");
    ASSERT_EQ(config.Save(), 1);
    EXPECT_TRUE(ReadBytes(path) == text) << "the order of sections and keys is kept";
}

// Sections made, dropped and found again through the indexes: a cleared model starts anew,
// and a repeated key is found at its first place after later sections were added.
TEST(Config, IndexesFollowClearAndLoad) {
    TempDir dir;
    CConfig config;
    config.SetValue("A", "k", "1");
    config.Clear();
    EXPECT_EQ(config.GetString("A", "k", "none"), "none");
    EXPECT_EQ(config.AddSection("A"), 1);
    std::string path =
        dir.Write("a.ini", "[B]\r\nk=1\r\nj=2\r\n[C]\r\nk=3\r\n[B]\r\nk=4\r\n[D]\r\n");
    ASSERT_EQ(config.Load(path.c_str()), 1);
    EXPECT_EQ(config.GetString("A", "k", "none"), "none");
    EXPECT_EQ(config.SetValue("B", "k", "5"), 1);
    EXPECT_EQ(config.SetValue("D", "k", "6"), 1);
    ASSERT_EQ(config.Save(), 1);
    EXPECT_EQ(ReadBytes(path), "[B]\r\nk=5\r\nj=2\r\n\r\n[C]\r\nk=3\r\n\r\n[D]\r\nk=6\r\n\r\n");
}

#ifndef _WIN32
// A disk that fills up while the settings are saved: the user's file is kept as it was, and
// nothing is left beside it.
TEST(Config, FailedSaveKeepsTheFile) {
    TempDir dir;
    const std::string old = "[Main]\r\nLog=a.log\r\nDeviceType=0\r\n\r\n";
    std::string path = dir.Write("Tavrin.ini", old);
    CConfig config;
    ASSERT_EQ(config.Load(path.c_str()), 1);
    config.SetValue("Main", "Log", std::string(4000, 'x').c_str());
    {
        FileSizeLimit limit(old.size());
        if (!limit.IsSet()) {
            GTEST_SKIP() << "the file size limit cannot be set here";
        }
        EXPECT_EQ(config.Save(), 0);
    }
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    ASSERT_EQ(config.Save(), 1);
    EXPECT_EQ(config.Load(path.c_str()), 1);
    EXPECT_EQ(config.GetString("Main", "Log").size(), 4000u);
}

// A settings file that is a link to a shared one stays a link; the shared file is written.
TEST(Config, SaveWritesThroughALink) {
    TempDir dir;
    std::string shared = dir.Write("shared.ini", "[Main]\r\nA=1\r\n");
    std::filesystem::create_symlink(shared, dir.File("Tavrin.ini"));
    CConfig config;
    ASSERT_EQ(config.Load(dir.File("Tavrin.ini").c_str()), 1);
    config.SetValue("Main", "A", "2");
    ASSERT_EQ(config.Save(), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("Tavrin.ini")));
    EXPECT_EQ(ReadBytes(shared), "[Main]\r\nA=2\r\n\r\n");
}
#endif

}  // namespace
