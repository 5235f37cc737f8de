#include <gtest/gtest.h>

#include <filesystem>

#include "packet/PacketTable.h"
#include "support/TempFiles.h"

namespace {

using namespace std::string_literals;

struct Record {
    int key;
    std::string text;
    std::string source;
};

struct ScriptCase {
    const char* name;
    std::string file;
    std::vector<Record> records;
};

// Names the case in test output instead of dumping its bytes.
[[maybe_unused]] void PrintTo(const ScriptCase& c, std::ostream* os) {
    *os << "" << c.name;
}

class ScriptFile : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptFile, GivesTheRecords) {
    TempDir dir;
    std::string path = dir.Write("t.kad", GetParam().file);
    CPacketTable table;
    ASSERT_EQ(table.Load(path.c_str(), "t.kad"), 1);
    const std::vector<Record>& expected = GetParam().records;
    ASSERT_EQ(table.GetCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < table.GetCount(); ++i) {
        const CPacketHolder* holder = table.GetHolder(i);
        const Record& want = expected[static_cast<std::size_t>(i)];
        SCOPED_TRACE(i);
        EXPECT_EQ(holder->GetKey(), want.key);
        EXPECT_EQ(holder->GetText(), want.text);
        EXPECT_EQ(holder->GetSource(), want.source);
    }
}

const std::string kRun = "&\xc0\xe4\xf0\xe5\xf1&";  // "&Адрес&" in Windows-1251

const ScriptCase kScripts[] = {
    {"Empty", "", {}},
    {"NoDollar", "01 02 ; nothing\r\n", {}},
    {"OnlyDollar", "$", {}},
    {"CommentEndsAtCrLf", "$A 01 02 ; note\r\n03$", {{'A', "010203", "$A 01 02 ; note\r\n03"}}},
    {"CommentRunsOverBareLf", "$B ;x\n04\r\n05$", {{'B', "05", "$B ;x\n04\r\n05"}}},
    {"CommentEndsAtTwoBareLfs", "$B ;x\n\n06$", {{'B', "06", "$B ;x\n\n06"}}},
    {"CommentCounterResetsOnText", "$B ;x\ry\n07\r\n08$", {{'B', "08", "$B ;x\ry\n07\r\n08"}}},
    {"CommentDropsAmpersandsAndSemicolons", "$C ;&a;b&\r\n0A$", {{'C', "0A", "$C ;&a;b&\r\n0A"}}},
    {"ParameterRunKept",
     "$C 0A" + kRun + " 0B$",
     {{'C', "0A" + kRun + "0B", "$C 0A" + kRun + " 0B"}}},
    {"ParameterRunKeepsEverything",
     "$C 0A& a;b\r\nZ& 0B$",
     {{'C', "0A& a;b\r\nZ&0B", "$C 0A& a;b\r\nZ& 0B"}}},
    {"UnfinishedRunDropped",
     "$C 0A&\xc0\xe4\xf0\xe5\xf1 0B$",
     {{'C', "0A", "$C 0A&\xc0\xe4\xf0\xe5\xf1 0B"}}},
    {"UnfinishedSecondRunOnly", "$C 01&x&02&y$", {{'C', "01&x&02", "$C 01&x&02&y"}}},
    {"TwoRecordsSourcesFromTheirDollar", "$D 1$E 2$", {{'D', "1", "$D 1"}, {'E', "2", "$E 2"}}},
    {"PreambleBelongsToTheFirstRecord", "; head\r\n$1 0102", {{'1', "0102", "; head\r\n$1 0102"}}},
    {"TrailingLineBreakIsARecord", "$F 01$\r\n", {{'F', "01", "$F 01"}, {'\r', "", "$\r\n"}}},
    {"EmptyRecord", "$X$", {{'X', "", "$X"}}},
    {"DollarKey", "$$$", {{'$', "", "$$"}}},
    {"SpaceAndLineBreakKeys", "$ 1$\n2", {{' ', "1", "$ 1"}, {'\n', "2", "$\n2"}}},
    {"HighKeyIsNegative", "$\xff 01$\xe0 02", {{-1, "01", "$\xff 01"}, {-32, "02", "$\xe0 02"}}},
    {"OtherCharactersDropped", "$k 0x1G,2\t-z:Ff$", {{'k', "012Ff", "$k 0x1G,2\t-z:Ff"}}},
    {"DollarEndsComment", "$a ;c$b 01", {{'a', "", "$a ;c"}, {'b', "01", "$b 01"}}},
    {"DollarEndsParameterRun", "$a 01&p$b 02", {{'a', "01", "$a 01&p"}, {'b', "02", "$b 02"}}},
    {"NulEndsTheText",
     "$a 01\0"
     "02$b 03"s,
     {{'a', "01", "$a 01"}}},
};

INSTANTIATE_TEST_SUITE_P(Grammar, ScriptFile, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PacketHolder, ParseWithoutRecordResets) {
    CPacketHolder holder;
    EXPECT_EQ(holder.GetKey(), -1);
    const char text[] = "$A 01";
    EXPECT_EQ(holder.Parse(text), text + 5);
    EXPECT_EQ(holder.Parse("no record"), nullptr);
    EXPECT_EQ(holder.GetKey(), -1);
    EXPECT_EQ(holder.GetText(), "");
    EXPECT_EQ(holder.Parse("$"), nullptr);
    EXPECT_EQ(holder.Parse(nullptr), nullptr);
}

TEST(PacketTable, FindReturnsTheFirstOfEqualKeysAndAFailedLoadEmpties) {
    TempDir dir;
    CPacketTable table;
    std::string path = dir.Write("t.kad", "$A 01$B 02$A 03$\xff 04");
    ASSERT_EQ(table.Load(path.c_str(), "t.kad"), 1);
    ASSERT_NE(table.Find('A'), nullptr);
    EXPECT_EQ(table.Find('A')->GetText(), "01");
    EXPECT_EQ(table.Find(-1)->GetText(), "04");
    EXPECT_EQ(table.Find(0xff), nullptr);
    EXPECT_EQ(table.Find('C'), nullptr);
    EXPECT_EQ(table.GetHolder(-1), nullptr);
    EXPECT_EQ(table.GetHolder(4), nullptr);
    EXPECT_EQ(table.GetName(), "t.kad");
    table.Clear();
    EXPECT_EQ(table.Find('A'), nullptr);

    ASSERT_EQ(table.Load(path.c_str(), "t.kad"), 1);
    EXPECT_EQ(table.Load(dir.File("missing.kad").c_str(), "missing.kad"), 0);
    EXPECT_EQ(table.GetCount(), 0);
    EXPECT_EQ(table.Load(dir.Path().string().c_str(), "dir"), 0);
    EXPECT_EQ(table.Load(nullptr, "x"), 0);
}

// A script of a million records, nearly all with one key, and keys looked up as often as a
// long session presses them: walking the records for each lookup would take many minutes (and
// the test's time-out); the reader notes each key's first record as it goes. The last record
// is long, and kept whole.
TEST(PacketTable, LargeScriptsLoadAndFindInLinearTime) {
    constexpr int kRecords = 1000000;
    std::string text;
    text.reserve(kRecords * 6 + 16);
    for (int i = 0; i < kRecords; ++i) {
        text += "$A 0";
        text += static_cast<char>('0' + i % 10);
        text += "\r\n";
    }
    const std::string longText(100000, 'a');
    text += "$B " + longText + "\r\n";
    TempDir dir;
    CPacketTable table;
    ASSERT_EQ(table.Load(dir.Write("big.kad", text).c_str(), "big.kad"), 1);
    ASSERT_EQ(table.GetCount(), kRecords + 1);
    for (int i = 0; i < 200000; ++i) {
        ASSERT_EQ(table.Find('C'), nullptr);
        ASSERT_EQ(table.Find('B'), table.GetHolder(kRecords));
    }
    EXPECT_EQ(table.Find('A'), table.GetHolder(0));
    EXPECT_EQ(table.GetHolder(kRecords)->GetText(), longText);
}

}  // namespace
