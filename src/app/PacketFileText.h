#pragma once
// How the packet views show the bytes of a packet script file: file names, definition labels,
// sources and parameter names, as UTF-8 text.
//
// Files are Windows-1251, the program's code page. A file whose bytes are valid UTF-8 and hold
// non-ASCII text was plainly written in UTF-8 and is shown as such; the decision is made once
// for the whole file, so one file never mixes the two.

#include <string>
#include <string_view>

class CPacketTable;

enum class ScriptEncoding { Windows1251, Utf8 };

ScriptEncoding DetectScriptEncoding(std::string_view bytes);
// The same for a loaded file: its records' sources, one after the other, are the file's text.
ScriptEncoding DetectScriptEncoding(CPacketTable& file);

// The bytes as UTF-8 text. Bytes that are not UTF-8 in a UTF-8 file (a key byte cut out of a
// character) are read as Windows-1251, so nothing is lost from sight.
std::string DecodeScriptText(std::string_view bytes, ScriptEncoding encoding);

// What shows a key (app/KeyChar.h, RecordKey): the character typed to send the definition.
// A negative key is a Windows-1251 byte, a key from 0x80 a character of a UTF-8 file; control
// characters, which have no face of their own, show as their pictures (U+2400 ...: Enter shows
// as U+240D).
std::string KeyDisplayText(int key);

// The tree's label of a definition, "< %c > - %s", with the record's key (RecordKey), at most
// 1023 characters (a longer one is cut).
std::string DefinitionLabel(int key, std::string_view text, ScriptEncoding encoding);
