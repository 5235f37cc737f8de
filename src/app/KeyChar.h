#pragma once
// Keys of packet script files are single bytes of the Windows-1251 code page (the program is
// Russian), compared as signed 8-bit values widened to int. A character typed in a view is
// brought to that form here.

#include <optional>
#include <string_view>

// The signed Windows-1251 byte for a character (0x00..0x7F as they are, Cyrillic and the other
// characters of the upper half as the code page places them), or nothing when the code page
// has no such character.
std::optional<int> KeyFromCharacter(char32_t character);

// The keys whose reported text does not tell what they type.
enum class PressedKey { Other, Tab, Backtab, Delete };

// The packet key a key press sends, or nothing. A press sends when it types one character, as
// Windows turns key presses into characters: control characters are keys like any other (Enter
// 13, Tab and Shift+Tab 9, Escape 27, Backspace 8, Ctrl+letter 1..26). Keys that type nothing
// (arrows, Home, End, function keys) send nothing, nor does Delete (which X11 reports as the DEL
// character) or Alt with a character (a menu key; AltGr, reported as Ctrl+Alt, still types).
// text: the characters the window system says the press types; alt, ctrl: modifiers held.
std::optional<int> SentKeyFromPress(PressedKey key, std::u32string_view text, bool alt, bool ctrl);

// The character a Windows-1251 byte stands for; 0 for the one byte the code page leaves unused
// (0x98).
char32_t CharacterFromByte(unsigned char byte);
