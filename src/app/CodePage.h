#pragma once
// Text conversions without a window: the Windows-1251 code page, the program's 8-bit code page
// (packet script files, their key characters and parameter names are bytes of it), and the
// UTF-8 checks that tell a file written in UTF-8 apart. The packet views and command-line
// tools decode the same way.

#include <optional>
#include <string>
#include <string_view>

// The character of a byte; 0 for 0x98, which the code page leaves unused.
char32_t DecodeWindows1251(unsigned char byte);
// The bytes as UTF-8 text; 0x98 becomes U+FFFD.
std::string DecodeWindows1251(std::string_view bytes);
// The byte for a character, or nothing when the code page has no such character.
std::optional<unsigned char> EncodeWindows1251(char32_t character);
// Narrows text to the code page; a character it lacks becomes "?", as the system's own
// narrowing does.
std::string EncodeWindows1251(std::u32string_view text);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);
// The characters of well-formed UTF-8; nothing for bytes that are not.
std::optional<std::u32string> DecodeUtf8(std::string_view bytes);
// Appends a character as UTF-8.
void AppendUtf8(std::string& out, char32_t character);
