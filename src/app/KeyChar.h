#pragma once
// Keys of packet script files, and how a character typed in a view finds its record.
//
// A file's keys are numbers in the file's own terms. In a Windows-1251 file (the program's code
// page) a key is the record's key byte as a signed 8-bit value widened to int, as
// CPacketHolder holds it, and a typed character is brought to that byte. In a UTF-8 file a key
// is the whole character that begins at the key byte (its code point), as the file's author
// typed it and the definition view shows it, and a typed character is its own key. ASCII keys
// are the same number either way.

#include <optional>
#include <string_view>

#include "app/PacketFileText.h"

class CPacketHolder;
class CPacketTable;

// The signed Windows-1251 byte for a character (0x00..0x7F as they are, Cyrillic and the other
// characters of the upper half as the code page places them), or nothing when the code page
// has no such character.
std::optional<int> KeyFromCharacter(char32_t character);

// The key of a record in a file of this encoding.
int RecordKey(const CPacketHolder& record, ScriptEncoding encoding);
// The key a typed character stands for in a file of this encoding; nothing when it can be no
// key there (a character Windows-1251 lacks, in such a file).
std::optional<int> TypedKey(char32_t character, ScriptEncoding encoding);
// The first record of the file, in file order, whose key this is; nullptr for none.
CPacketHolder* FindRecordByKey(CPacketTable& file, ScriptEncoding encoding, int key);

// The keys whose reported text does not tell what they type.
enum class PressedKey { Other, Tab, Backtab, Delete };

// The character a key press sends, or nothing. A press sends when it types one character, as
// Windows turns key presses into characters: control characters are keys like any other (Enter
// 13, Tab and Shift+Tab 9, Escape 27, Backspace 8, Ctrl+letter 1..26). Keys that type nothing
// (arrows, Home, End, function keys) send nothing, nor does Delete (which X11 reports as the DEL
// character) or Alt with a character (a menu key; AltGr, reported as Ctrl+Alt, still types).
// text: the characters the window system says the press types; alt, ctrl: modifiers held.
// Which record it chooses is the current file's to say (TypedKey).
std::optional<char32_t> SentKeyFromPress(PressedKey key, std::u32string_view text, bool alt,
                                         bool ctrl);

// The character a Windows-1251 byte stands for; 0 for the one byte the code page leaves unused
// (0x98).
char32_t CharacterFromByte(unsigned char byte);
