#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/WindowPlacement.h"
#include "settings/Config.h"

// Found by the failure messages through WindowRect's namespace.
[[maybe_unused]] static void PrintTo(const WindowRect& r, std::ostream* out) {
    *out << r.x << "," << r.y << " " << r.width << "x" << r.height;
}

namespace {

using Keys = std::vector<std::pair<const char*, const char*>>;

CConfig& WithKeys(CConfig& config, const Keys& keys) {
    for (const auto& [key, value] : keys) {
        config.SetValue(kWindowSection, key, value);
    }
    return config;
}

// Each key is taken or dropped on its own; a dropped one is as if it were absent.
TEST(WindowState, DamagedValuesAreDroppedKeyByKey) {
    CConfig good;
    const WindowState read = ReadWindowState(WithKeys(good, {{"X", "-1920"},
                                                             {"Y", "0"},
                                                             {"Width", "100"},
                                                             {"Height", "32767"},
                                                             {"Maximized", "1"},
                                                             {"LeftPane", "1"},
                                                             {"DefinitionPane", "250"},
                                                             {"ToolBar", "0"},
                                                             {"StatusBar", "1"}}));
    EXPECT_EQ(std::tie(read.x, read.y, read.width, read.height, read.maximized, read.leftPane,
                       read.definitionPane, read.toolBar, read.statusBar),
              std::make_tuple(-1920, 0, 100, 32767, true, 1, 250, false, true));

    for (const char* bad :
         {"", "abc", "12px", "1.5", " 7", "+5", "-", "99999999999", "32768", "-40000", "0x10"}) {
        for (const char* key : {"X", "Y", "Width", "Height", "LeftPane", "DefinitionPane",
                                "Maximized", "ToolBar", "StatusBar"}) {
            CConfig config;
            const WindowState state = ReadWindowState(WithKeys(config, {{key, bad}}));
            EXPECT_FALSE(state.x || state.y || state.width || state.height || state.maximized ||
                         state.leftPane || state.definitionPane || state.toolBar || state.statusBar)
                << key << "=" << bad;
        }
    }
    CConfig tooSmall;
    const WindowState small = ReadWindowState(WithKeys(
        tooSmall,
        {{"Width", "99"}, {"Height", "-5"}, {"LeftPane", "0"}, {"ToolBar", "2"}, {"X", "10"}}));
    EXPECT_FALSE(small.width || small.height || small.leftPane || small.toolBar);
    EXPECT_EQ(small.x, 10) << "the keys beside the damaged ones count";
    EXPECT_TRUE(small.HasPlacement());
    CConfig none;
    EXPECT_FALSE(ReadWindowState(none).HasPlacement());
}

// A primary screen with a task bar below, and a second one to its right.
const std::vector<WindowRect> kTwoScreens = {{0, 0, 1920, 1040}, {1920, 0, 1280, 1024}};

struct ScreenCase {
    const char* name;
    WindowRect window;
    WindowRect placed;
    std::vector<WindowRect> screens = kTwoScreens;
};
void PrintTo(const ScreenCase& c, std::ostream* out) {
    *out << c.name;
}

class OnScreen : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(OnScreen, KeepsTheWindowWhereTheUserCanTakeHoldOfIt) {
    EXPECT_EQ(KeepOnScreen(GetParam().window, GetParam().screens, 0), GetParam().placed);
}

INSTANTIATE_TEST_SUITE_P(
    Rule, OnScreen,
    ::testing::Values(
        ScreenCase{"OnThePrimary", {100, 80, 1000, 700}, {100, 80, 1000, 700}},
        ScreenCase{"AcrossBoth", {1500, 100, 1000, 700}, {1500, 100, 1000, 700}},
        ScreenCase{"PartlyOffButHoldable",
                   {1870, 990, 1000, 700},
                   {1870, 990, 1000, 700},
                   {{0, 0, 1920, 1040}}},
        // Where a screen was that is gone now.
        ScreenCase{"OnAScreenThatIsGone", {-1500, 100, 1000, 700}, {460, 170, 1000, 700}},
        ScreenCase{"TitleBarAboveTheScreen", {100, -200, 1000, 700}, {460, 170, 1000, 700}},
        ScreenCase{"LessThanAHandleShowing",
                   {1880, 100, 1000, 700},
                   {460, 170, 1000, 700},
                   {{0, 0, 1920, 1040}}},
        ScreenCase{"TallerThanItsScreen", {2000, 100, 1000, 1500}, {2000, 0, 1000, 1024}},
        ScreenCase{"LargerThanThePrimaryAndOffScreen", {-5000, 0, 3000, 2000}, {0, 0, 1920, 1040}},
        ScreenCase{"NoScreens", {-5000, 0, 3000, 2000}, {-5000, 0, 3000, 2000}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Keys missing from the section take the defaults: the default size, centred on the primary.
TEST(PlaceWindow, MissingKeysTakeTheDefaults) {
    WindowState saved;
    saved.width = 800;
    EXPECT_EQ(PlaceWindow(saved, 1000, 700, kTwoScreens, 1), (WindowRect{2160, 162, 800, 700}));
    saved.x = 40;
    EXPECT_EQ(PlaceWindow(saved, 1000, 700, kTwoScreens, 0), (WindowRect{40, 170, 800, 700}));
}

struct PaneCase {
    const char* name;
    int width;
    int height;
    std::optional<int> left;
    std::optional<int> definition;
    PaneSizes panes;
};
void PrintTo(const PaneCase& c, std::ostream* out) {
    *out << c.name;
}

class Panes : public ::testing::TestWithParam<PaneCase> {};

TEST_P(Panes, SavedSizesWhereTheyFit) {
    const PaneCase& c = GetParam();
    WindowState saved;
    saved.leftPane = c.left;
    saved.definitionPane = c.definition;
    const PaneSizes panes = LayoutPanes(c.width, c.height, saved);
    EXPECT_EQ(panes.left, c.panes.left);
    EXPECT_EQ(panes.right, c.panes.right);
    EXPECT_EQ(panes.tree, c.panes.tree);
    EXPECT_EQ(panes.definition, c.panes.definition);
}

INSTANTIATE_TEST_SUITE_P(
    Layout, Panes,
    ::testing::Values(PaneCase{"Defaults", 1000, 500, {}, {}, {200, 800, 300, 200}},
                      PaneCase{"LowColumn", 1000, 151, {}, {}, {200, 800, 75, 76}},
                      PaneCase{"Saved", 1000, 500, 320, 120, {320, 680, 380, 120}},
                      PaneCase{"SavedTooLarge", 300, 180, 300, 180, {200, 100, 90, 90}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
