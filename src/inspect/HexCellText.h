#pragma once
// The texts of the hex view's cells and of its window caption. Texts are bytes of the
// Windows-1251 code page; the widget decodes them for drawing.

#include <string>

class CPacket;

// A value of count bytes (at most 4), most significant byte first from bytes[0], or with
// littleEndian from bytes[count - 1] backwards.
unsigned ComposeHexValue(const unsigned char* bytes, int count, bool littleEndian);

// An address cell: the address in upper-case hexadecimal with 2 x ceil(A / 2) digits, cut to
// its last A digits, with a space before and after.
std::string HexAddressText(long long address, int addressWidth);

// A value cell of a hexadecimal, decimal, binary, octal or character column, for units of
// unitBytes bytes (1 or 2). Every text has a space before and after its digits:
//  - hexadecimal: 2 digits per unit byte;
//  - decimal and octal: right-aligned in the unit width + 1 characters;
//  - binary: 8 digits per byte, "-" between bytes;
//  - character: the code of the value's low byte, or the replacement character (0: none) when
//    that code is below 32.
std::string HexValueText(int kind, unsigned value, int unitBytes, char replacement);

// 8 binary digits per byte, most significant first, "-" between bytes.
std::string HexBinaryDigits(unsigned value, int byteCount);

// The character a code shows as: its low byte, or the replacement (when set) for codes below 32.
// A 16-bit value whose low byte is a control code is replaced too, so a text never carries a
// control character (a NUL would cut it short) while a replacement is set.
char HexDisplayChar(unsigned value, char replacement);

// "Пакет" alone without a packet; else "Пакет (общая длина: N тип: T [ th ])" with N the payload
// length + 2, T the command in decimal and t in lower-case hexadecimal. UTF-8.
std::string FormatHexCaption(const CPacket* packet);
