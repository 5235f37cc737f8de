#include "inspect/PropertyListRules.h"

#include <algorithm>

namespace PropertyList {

namespace {

constexpr int kDragMargin = 10;
constexpr int kRowPadding = 3;

}  // namespace

bool EditorNavigates(int key, int caret, bool hasSelection, int textLength) {
    switch (key) {
        case kUp:
        case kDown:
        case kTab:
            return true;
        case kLeft:
            return caret == 0 && !hasSelection;
        case kRight:
            return caret == textLength && !hasSelection;
        default:
            return false;
    }
}

EditorEnd EditorLeaves(bool cancelled, bool modified) {
    return cancelled || !modified ? EditorEnd::Cancel : EditorEnd::Commit;
}

std::optional<int> RowAfterNavigate(int selected, int key, int rowCount) {
    if (key == kUp) {
        return std::max(selected - 1, -1);
    }
    if (key == kDown) {
        return rowCount <= 0 ? -1 : std::min(selected + 1, rowCount - 1);
    }
    return std::nullopt;
}

TypedAction ListTypedAction(int character) {
    if (character == ' ' || character == 0x7F) {
        return TypedAction::Swallow;
    }
    return character > ' ' ? TypedAction::Edit : TypedAction::Default;
}

int RowHeight(int fontHeight) {
    return fontHeight + kRowPadding;
}

int ClampDragX(int x, int clientWidth) {
    return std::clamp(x, kDragMargin, std::max(kDragMargin, clientWidth - kDragMargin));
}

}  // namespace PropertyList
