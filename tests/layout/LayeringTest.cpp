#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "IncludeRules.h"
#include "support/TempFiles.h"

namespace {

struct RuleCase {
    const char* path;
    const char* line;
    bool violates;
};
void PrintTo(const RuleCase& c, std::ostream* out) {
    *out << c.path << ": " << c.line;
}

class IncludeRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(IncludeRule, FolderDecidesWhatMayBeIncluded) {
    const RuleCase& c = GetParam();
    const std::string text = std::string("// header\n") + c.line + "\nint x;\n";
    const auto found = CheckIncludes(c.path, text);
    ASSERT_EQ(found.size(), c.violates ? 1U : 0U);
    if (c.violates) {
        EXPECT_EQ(found[0].line, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Folders, IncludeRule,
    ::testing::Values(RuleCase{"src/app/TrafficText.cpp", "#include <QString>", true},
                      RuleCase{"src/app/TrafficText.h", "  #  include <QtCore/QString>", true},
                      RuleCase{"src/packet/Packet.cpp", "#include <QtWidgets>", true},
                      RuleCase{"src/sim/SimEngine.cpp", "#include \"QDebug\"", true},
                      RuleCase{"tests/app/KeyCharTest.cpp", "#include <QKeyEvent>", true},
                      RuleCase{"fuzz/ConfigFuzz.cpp", "#include <QByteArray>", true},
                      RuleCase{"src/app/ReceiveThread.cpp", "#include \"ui/MainFrame.h\"", true},
                      RuleCase{"src/device/VXDevice.cpp", "#include \"ui/CommandIds.h\"", true},
                      RuleCase{"src/cli/CliMain.cpp", "#include <QCoreApplication>", true},
                      RuleCase{"src/cli/SendCommand.cpp", "#include \"ui/MainFrame.h\"", true},
                      RuleCase{"tests/cli/CliSupport.h", "#include <QProcess>", true},
                      RuleCase{"src/cli/MonitorCommand.cpp", "#include <pcap/pcap.h>", false},
                      RuleCase{"src/ui/MainFrame.cpp", "#include <QMainWindow>", false},
                      RuleCase{"src/ui/MainFrame.cpp", "#include \"ui/TavrinView.h\"", false},
                      RuleCase{"tests/ui/MainFrameTest.cpp", "#include <QTest>", false},
                      RuleCase{"bench/TrafficBench.cpp", "#include <QApplication>", false},
                      RuleCase{"tests/ui/GuiSupport.h", "#include \"ui/MainFrame.h\"", false},
                      RuleCase{"src/app/KeyChar.cpp", "#include <queue>", false},
                      RuleCase{"src/app/KeyChar.cpp", "// #include <QString> was here", false},
                      RuleCase{"src/app/KeyChar.cpp", "#include \"app/QuickText.h\"", false}));

// The tree walk finds a file in a nested folder and leaves build trees alone.
TEST(IncludeTree, WalksSourcesAndSkipsBuildFolders) {
    TempDir root;
    const auto write = [&](const std::string& relative, const char* text) {
        std::filesystem::create_directories((root.Path() / relative).parent_path());
        std::ofstream(root.Path() / relative) << text;
    };
    write("src/app/Bad.h", "#include <QObject>\n");
    write("src/app/Fine.cpp", "#include <string>\n");
    write("src/ui/Widget.cpp", "#include <QObject>\n");
    write("build/src/app/moc_Bad.cpp", "#include <QObject>\n");
    write(".git/x.cpp", "#include <QObject>\n");
    write("src/app/notes.txt", "#include <QObject>\n");
    const auto found = CheckTree(root.Path());
    ASSERT_EQ(found.size(), 1U);
    EXPECT_EQ(found[0].file, "src/app/Bad.h");
}

// The rules hold for this source tree.
TEST(IncludeTree, OnlyTheWidgetsIncludeQt) {
    for (const IncludeViolation& v : CheckTree(TAVRIN_SOURCE_DIR)) {
        ADD_FAILURE() << v.file << ":" << v.line << ": " << v.text;
    }
}

}  // namespace
