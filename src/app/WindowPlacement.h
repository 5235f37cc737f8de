#pragma once
// What the main window keeps of itself between runs, in the settings' [Window] section, and
// where it opens: its size and position (kept on a screen that exists), whether it is
// maximized, the sizes of the left and the definition pane, and whether the tool bar and the
// status bar are shown. The window reads the section at start-up and writes it when it closes;
// rectangles are in screen pixels, a window's being its inside without the title bar and border
// (which a window manager may draw differently for a maximized window).

#include <cstddef>
#include <optional>
#include <vector>

class CConfig;

inline constexpr const char* kWindowSection = "Window";
// The panes' sizes when nothing else is known, in pixels.
inline constexpr int kDefaultLeftPaneWidth = 200;
inline constexpr int kDefaultDefinitionPaneHeight = 200;

struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const WindowRect&) const = default;
};

// The [Window] keys, each one on its own: X, Y, Width, Height (the normal, not maximized,
// placement), Maximized, LeftPane (width), DefinitionPane (height), ToolBar, StatusBar (1 shown,
// 0 hidden). A key that is absent or damaged is empty here, and the window takes its default
// for that key alone.
struct WindowState {
    std::optional<int> x;
    std::optional<int> y;
    std::optional<int> width;
    std::optional<int> height;
    std::optional<bool> maximized;
    std::optional<int> leftPane;
    std::optional<int> definitionPane;
    std::optional<bool> toolBar;
    std::optional<bool> statusBar;

    // Whether any of X, Y, Width and Height was read: without them the window opens as it
    // always has, at its default size in the middle of the screen.
    bool HasPlacement() const { return x || y || width || height; }
};

// Reads the section. A value counts only when it is a whole decimal number (an optional "-"
// and digits, nothing else) within its key's range: X and Y -32768 to 32767, Width and Height
// 100 to 32767, the panes 1 to 32767, the flags 0 or 1.
WindowState ReadWindowState(const CConfig& config);
// Sets the keys the state holds, in the order above, in decimal. Does not save the file.
void WriteWindowState(CConfig& config, const WindowState& state);

// The window's normal placement from the saved keys: the default size for a size key it lacks,
// centred on the primary screen's area for a position key it lacks, then kept on a screen
// (KeepOnScreen). screens are the screens' available areas; primary indexes them.
WindowRect PlaceWindow(const WindowState& saved, int defaultWidth, int defaultHeight,
                       const std::vector<WindowRect>& screens, std::size_t primary);

// A window is on a screen when its top edge (under the title bar the user moves it by) and at
// least 50 by 50 pixels of it (all of it, when smaller) lie on the screen's area. Such a window
// keeps its place, only cut to the size of the screen it is most on when it is larger. A window on
// no screen goes onto the primary screen, cut to its size and centred there. No screens: the window
// as it is.
WindowRect KeepOnScreen(const WindowRect& window, const std::vector<WindowRect>& screens,
                        std::size_t primary);

// The splitters' panes for a client area of width by height pixels: the left pane is the saved
// width when it is narrower than the area, else 200; the definition pane the saved height when
// it is lower than the left column, else 200, or half the column when that is under 200.
struct PaneSizes {
    int left = 0;
    int right = 0;
    int tree = 0;
    int definition = 0;
};
PaneSizes LayoutPanes(int width, int height, const WindowState& saved);
