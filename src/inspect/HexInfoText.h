#pragma once
// The hex view's info text: the tool tip that describes one unit, built from a format text with
// directives. A pure function of its inputs: it reads nothing but the bytes it is given, and
// never beyond them.
//
// Every character but "%" is copied. "%" opens a directive; inside it "+" and "-" choose big-
// or little-endian order and "0".."4" a byte count (0: the unit's own size), and the next
// character closes it:
//   R  the unit number (not an address), upper-case hexadecimal, 2 digits per byte of the count
//      (when 0, of ceil(address width / 2) bytes)
//   H  the value in upper-case hexadecimal, 2 digits per byte
//   D  the value as a signed decimal ("%d" of a 32-bit value)
//   O  the value in octal
//   B  the value in binary, 8 digits per byte, "-" between bytes
//   A  the character of the value's low byte; the replacement character when that is below 32
//   n  a line break, CR LF
//   t  1 to 4 spaces, up to the next multiple of 4 characters of the current line
//   any other character: itself (so "%%" is "%")
// The value is composed of the count's bytes from the unit's first byte, in the directive's
// order or else the view's. A directive cut off by the end of the format adds nothing.

#include <string>
#include <string_view>

struct HexInfoOptions {
    int unitBytes = 1;          // 1, or 2 for 16-bit units
    bool littleEndian = false;  // the view's order for values of more than one byte
    int addressWidth = 4;       // hexadecimal digits of the view's addresses
    char replacement = 0;       // shown for character codes below 32; 0: none
};

// The text for a unit of data (size bytes). A value whose bytes reach past the end of the data
// is composed of the bytes that are there and shown with their digits only ("%4H" on the last
// byte shows that byte's two digits); a unit with no byte in the data shows 0 at the full width.
std::string ExpandInfoText(std::string_view format, const unsigned char* data, int size, int unit,
                           const HexInfoOptions& options);
