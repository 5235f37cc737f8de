#pragma once
// What the main window shows about the open unit: its title and whether programming is offered.

#include <string>

// How the window names a unit: "Устройство USB [ 0 ]".
std::string UnitCaption(int typeIndex, int number);
// The main window's title: "Tavrin", and while a unit is open
// " - Устройство USB [ 0 ] " after it (note the trailing blank).
std::string MakeTitle(bool open, int typeIndex, int number);
// The status bar's news that a unit that went away is open again.
std::string ReconnectedText(int typeIndex, int number);
// "Программирование" is offered only for an open PCI unit.
bool IsProgrammingEnabled(bool open, int typeIndex);
