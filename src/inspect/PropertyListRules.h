#pragma once
// The property list's decisions that need no window: which keys leave the in-place editor for
// another row, whether a closing editor's text is taken, where the selection goes, and how far
// the name column may be dragged. The list widget only measures, paints and forwards input.

#include <optional>

namespace PropertyList {

// Key codes the editor hands to the list (EditNavigate).
enum NavigateKey : int { kTab = 9, kLeft = 37, kUp = 38, kRight = 39, kDown = 40 };

// Up, Down and Tab always leave the editor; Left only from the start of its text and Right
// only from its end, with nothing selected; otherwise the arrows move the caret.
bool EditorNavigates(int key, int caret, bool hasSelection, int textLength);

enum class EditorEnd { Commit, Cancel };
// When the editor loses focus: Escape (the cancel flag) or an untouched text discards it.
EditorEnd EditorLeaves(bool cancelled, bool modified);

// The row selected after the editor handed the list a key: the one above or below the
// selected row (-1 for none, above the first; Down stays on the last row). Nothing for the
// keys the list ignores.
std::optional<int> RowAfterNavigate(int selected, int key, int rowCount);

enum class TypedAction {
    Edit,     // opens the selected row's editor and hands it the character
    Swallow,  // the space, and DEL (X11's text for Delete, which must not wipe the value)
    Default,  // control characters: the list's own handling
};
TypedAction ListTypedAction(int character);

// Row height for a font of this height.
int RowHeight(int fontHeight);

// The pointer's x while dragging the column border, kept 10 pixels inside the list.
int ClampDragX(int x, int clientWidth);

}  // namespace PropertyList
