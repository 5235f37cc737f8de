#pragma once
// Which key presses send a packet, for every view that sends by key (the traffic list, the
// packet file tree): the window-free rule of app/KeyChar.h applied to a Qt key event.

#include <optional>

class QKeyEvent;

// The character the press sends, or nothing (the view's own navigation then handles it); the
// main window finds its record in the current file (TypedKey). Tab and Shift+Tab send 9: a view
// that sends by key must also keep Qt from moving the focus on them (see CTavrinView::event).
std::optional<char32_t> SentKeyFromEvent(const QKeyEvent& event);
