#pragma once
// Units by name: "USB0".."USB9" and "PCI0".."PCI9", as the simulator, its commands and the
// command-line tool name them.

#include <string>

// "USB3" -> (0, 3). False for anything else (case counts; no spaces).
bool ParseUnitName(const std::string& name, int* typeIndex, int* number);
// (1, 2) -> "PCI2"; an unknown type shows as "?".
std::string UnitName(int typeIndex, int number);
