// tavrin-cli's usage: help for every command, and code 2 with one message line for every
// misuse, before any unit is touched.

#include "CliSupport.h"

namespace {

// Help for the program and for each command: code 0, on standard output.
TEST(CliHelp, ForEveryCommand) {
    for (const char* command : {"", "list", "monitor", "send", "program", "show"}) {
        std::vector<std::string> args{"--help"};
        if (*command != '\0') {
            args.insert(args.begin(), command);
        }
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.code, 0) << command << ": " << result.err;
        EXPECT_EQ(result.err, "") << command;
        EXPECT_NE(result.out.find("--help"), std::string::npos) << command;
    }
}

struct MisuseCase {
    const char* why;
    std::vector<std::string> args;
    const char* message;  // part of the message
};
void PrintTo(const MisuseCase& c, std::ostream* out) {
    *out << c.why;
}

class CliMisuse : public CliTest, public ::testing::WithParamInterface<MisuseCase> {};

TEST_P(CliMisuse, EndsWithCodeTwoAndOneMessageLine) {
    const MisuseCase& c = GetParam();
    const CliResult result = Run(c.args);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(IsOneLineMessage(result.err));
    EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CliMisuse,
    ::testing::Values(
        MisuseCase{"no command", {}, "subcommand"},
        MisuseCase{"unknown option", {"list", "--bogus"}, "--bogus"},
        MisuseCase{"no unit", {"monitor"}, "UNIT"},
        MisuseCase{"no such unit name", {"monitor", "USB10"}, "USB10"},
        MisuseCase{"count not a number", {"monitor", "USB0", "--count", "many"}, "--count"},
        MisuseCase{"count zero", {"monitor", "USB0", "--count", "0"}, "--count"},
        MisuseCase{"seconds inf", {"monitor", "USB0", "--seconds", "inf"}, "--seconds"},
        MisuseCase{
            "endless wait", {"send", "USB0", "--hex", "01", "--wait-reply", "inf"}, "--wait-reply"},
        MisuseCase{"reply command 00",
                   {"send", "USB0", "--hex", "01", "--wait-reply", "10", "--reply-command", "00"},
                   "--reply-command"},
        MisuseCase{"reply command without a wait",
                   {"send", "USB0", "--hex", "01", "--reply-command", "0A"},
                   "--wait-reply"},
        MisuseCase{"nothing to send", {"send", "USB0"}, "--hex"},
        MisuseCase{"hex and file",
                   {"send", "USB0", "--hex", "01", "--file", "x.kad", "--key", "r"},
                   "--hex"},
        MisuseCase{"file without key", {"send", "USB0", "--file", "x.kad"}, "--key"},
        MisuseCase{"command 0 is no packet", {"send", "USB0", "--hex", "0001"}, "00"},
        MisuseCase{"parameter for a hex packet",
                   {"send", "USB0", "--hex", "01", "--param", "a=1"},
                   "--param"},
        MisuseCase{"no step", {"program", "PCI0"}, "--erase"},
        MisuseCase{"write without a file", {"program", "PCI0", "--write"}, "Выберите файл"}));

}  // namespace
