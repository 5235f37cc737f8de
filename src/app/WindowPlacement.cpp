#include "app/WindowPlacement.h"

#include <algorithm>
#include <string>

#include "settings/Config.h"

namespace {

constexpr int kMinPosition = -32768;
constexpr int kMaxCoordinate = 32767;
constexpr int kMinWindowSize = 100;
// How much of a window must be on a screen for the user to take hold of it, in pixels.
constexpr int kMinVisible = 50;

// The key's value when it is a whole decimal number within min..max; nothing otherwise.
std::optional<int> ReadNumber(const CConfig& config, const char* key, int min, int max) {
    std::string text;
    if (!config.GetValue(kWindowSection, key, text)) {
        return std::nullopt;
    }
    const std::size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    // Ten digits already pass every range here; more cannot be read safely.
    if (text.size() <= digits || text.size() - digits > 10 ||
        text.find_first_not_of("0123456789", digits) != std::string::npos) {
        return std::nullopt;
    }
    const long long value = std::stoll(text);
    if (value < min || value > max) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<bool> ReadFlag(const CConfig& config, const char* key) {
    const std::optional<int> value = ReadNumber(config, key, 0, 1);
    return value ? std::optional<bool>(*value == 1) : std::nullopt;
}

void WriteNumber(CConfig& config, const char* key, std::optional<int> value) {
    if (value) {
        config.SetValue(kWindowSection, key, std::to_string(*value).c_str());
    }
}

void WriteFlag(CConfig& config, const char* key, std::optional<bool> value) {
    if (value) {
        config.SetValue(kWindowSection, key, *value ? "1" : "0");
    }
}

// The length of the overlap of [begin, begin + length) and [otherBegin, otherBegin + other).
long long Overlap(int begin, int length, int otherBegin, int other) {
    const long long from = std::max<long long>(begin, otherBegin);
    const long long to = std::min<long long>(static_cast<long long>(begin) + length,
                                             static_cast<long long>(otherBegin) + other);
    return std::max<long long>(to - from, 0);
}

bool IsOnScreen(const WindowRect& window, const WindowRect& screen) {
    const long long needWidth = std::min(kMinVisible, window.width);
    const long long needHeight = std::min(kMinVisible, window.height);
    const bool topOnScreen =
        window.y >= screen.y && static_cast<long long>(window.y) + needHeight <=
                                    static_cast<long long>(screen.y) + screen.height;
    return topOnScreen && Overlap(window.x, window.width, screen.x, screen.width) >= needWidth;
}

WindowRect CentredOn(const WindowRect& area, int width, int height) {
    return {area.x + (area.width - width) / 2, area.y + (area.height - height) / 2, width, height};
}

}  // namespace

WindowState ReadWindowState(const CConfig& config) {
    WindowState state;
    state.x = ReadNumber(config, "X", kMinPosition, kMaxCoordinate);
    state.y = ReadNumber(config, "Y", kMinPosition, kMaxCoordinate);
    state.width = ReadNumber(config, "Width", kMinWindowSize, kMaxCoordinate);
    state.height = ReadNumber(config, "Height", kMinWindowSize, kMaxCoordinate);
    state.maximized = ReadFlag(config, "Maximized");
    state.leftPane = ReadNumber(config, "LeftPane", 1, kMaxCoordinate);
    state.definitionPane = ReadNumber(config, "DefinitionPane", 1, kMaxCoordinate);
    state.toolBar = ReadFlag(config, "ToolBar");
    state.statusBar = ReadFlag(config, "StatusBar");
    return state;
}

void WriteWindowState(CConfig& config, const WindowState& state) {
    WriteNumber(config, "X", state.x);
    WriteNumber(config, "Y", state.y);
    WriteNumber(config, "Width", state.width);
    WriteNumber(config, "Height", state.height);
    WriteFlag(config, "Maximized", state.maximized);
    WriteNumber(config, "LeftPane", state.leftPane);
    WriteNumber(config, "DefinitionPane", state.definitionPane);
    WriteFlag(config, "ToolBar", state.toolBar);
    WriteFlag(config, "StatusBar", state.statusBar);
}

WindowRect PlaceWindow(const WindowState& saved, int defaultWidth, int defaultHeight,
                       const std::vector<WindowRect>& screens, std::size_t primary) {
    const int width = saved.width.value_or(defaultWidth);
    const int height = saved.height.value_or(defaultHeight);
    WindowRect window{0, 0, width, height};
    if (primary < screens.size()) {
        window = CentredOn(screens[primary], width, height);
    }
    window.x = saved.x.value_or(window.x);
    window.y = saved.y.value_or(window.y);
    return KeepOnScreen(window, screens, primary);
}

WindowRect KeepOnScreen(const WindowRect& window, const std::vector<WindowRect>& screens,
                        std::size_t primary) {
    if (screens.empty()) {
        return window;
    }
    const WindowRect* best = nullptr;
    long long bestArea = -1;
    for (const WindowRect& screen : screens) {
        if (!IsOnScreen(window, screen)) {
            continue;
        }
        const long long area = Overlap(window.x, window.width, screen.x, screen.width) *
                               Overlap(window.y, window.height, screen.y, screen.height);
        if (area > bestArea) {
            bestArea = area;
            best = &screen;
        }
    }
    if (best == nullptr) {
        const WindowRect& area = screens[std::min(primary, screens.size() - 1)];
        return CentredOn(area, std::min(window.width, area.width),
                         std::min(window.height, area.height));
    }
    WindowRect kept = window;
    if (kept.width > best->width) {
        kept.width = best->width;
        kept.x = best->x;
    }
    if (kept.height > best->height) {
        kept.height = best->height;
        kept.y = best->y;
    }
    return kept;
}

PaneSizes LayoutPanes(int width, int height, const WindowState& saved) {
    PaneSizes panes;
    panes.left =
        saved.leftPane && *saved.leftPane < width ? *saved.leftPane : kDefaultLeftPaneWidth;
    panes.right = std::max(width - panes.left, 1);
    if (saved.definitionPane && *saved.definitionPane < height) {
        panes.definition = *saved.definitionPane;
    } else {
        panes.definition = height >= kDefaultDefinitionPaneHeight ? kDefaultDefinitionPaneHeight
                                                                  : height - height / 2;
    }
    panes.tree = height - panes.definition;
    return panes;
}
