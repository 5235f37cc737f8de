#pragma once
// Keys of packet script files are single bytes of the Windows-1251 code page (the program is
// Russian), compared as signed 8-bit values widened to int. A character typed in a view is
// brought to that form here.

#include <optional>

// The signed Windows-1251 byte for a character (0x00..0x7F as they are, Cyrillic and the other
// characters of the upper half as the code page places them), or nothing when the code page
// has no such character.
std::optional<int> KeyFromCharacter(char32_t character);

// The character a Windows-1251 byte stands for; 0 for the one byte the code page leaves unused
// (0x98).
char32_t CharacterFromByte(unsigned char byte);
