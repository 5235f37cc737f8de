// The text bar that stands for the progress window on a terminal.

#include <gtest/gtest.h>

#include "cli/TerminalProgress.h"

namespace {

TEST(ProgressBar, FillsInProportionAndStaysWithinItsWidth) {
    struct Case {
        int done;
        int range;
        const char* text;
    };
    const Case cases[] = {{0, 100, "Запись [..........]   0%"},
                          {55, 100, "Запись [#####.....]  55%"},
                          {100, 100, "Запись [##########] 100%"},
                          {150, 100, "Запись [##########] 100%"},
                          {-5, 100, "Запись [..........]   0%"},
                          {5, 0, "Запись [..........]   0%"},
                          {2000000000, 2100000000, "Запись [#########.]  95%"}};
    for (const Case& c : cases) {
        EXPECT_EQ(cli::ProgressBarText("Запись", c.done, c.range, 10), c.text)
            << c.done << "/" << c.range;
    }
}

}  // namespace
