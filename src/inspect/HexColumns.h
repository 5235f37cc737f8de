#pragma once
// The hex view's columns, style flags and notification codes.
//
// A column type's low four bits give its kind (address, hexadecimal, decimal, binary, octal,
// character), the high four its place: types 1..6 are the info panel's fields, 17..22 the
// grid's columns. Each has a style flag that switches it on.

#include <cstdint>
#include <string_view>

enum HexColumnType : int {
    HexNoColumn = 0,
    HexInfoAddr = 1,
    HexInfoHex = 2,
    HexInfoDec = 3,
    HexInfoBin = 4,
    HexInfoOct = 5,
    HexInfoAscii = 6,
    HexGridAddr = 17,
    HexGridHex = 18,
    HexGridDec = 19,
    HexGridBin = 20,
    HexGridOct = 21,
    HexGridAscii = 22,
};

// The kind of a column type (its low four bits).
enum HexKind : int {
    HexKindAddress = 1,
    HexKindHex = 2,
    HexKindDec = 3,
    HexKindBin = 4,
    HexKindOct = 5,
    HexKindChar = 6,
};

enum HexViewStyle : std::uint32_t {
    HexStyleGridAddr = 0x000001,
    HexStyleGridHex = 0x000002,
    HexStyleGridDec = 0x000004,
    HexStyleGridBin = 0x000008,
    HexStyleGridOct = 0x000010,
    HexStyleGridAscii = 0x000020,
    HexStyleInfoAddr = 0x000100,
    HexStyleInfoHex = 0x000200,
    HexStyleInfoDec = 0x000400,
    HexStyleInfoBin = 0x000800,
    HexStyleInfoOct = 0x001000,
    HexStyleInfoAscii = 0x002000,
    HexStyleGridLines = 0x010000,     // a line at the right edge of every grid column
    HexStyleWords = 0x020000,         // 16-bit units
    HexStyleHeader = 0x040000,        // a row of column labels above the grid
    HexStyleReadOnly = 0x080000,      // only addresses can be edited
    HexStyleDragSelect = 0x100000,    // range selection by dragging with the left button
    HexStyleLittleEndian = 0x200000,  // multi-byte values composed from the last byte backwards
    HexStyleHotFrame = 0x400000,      // a frame around the cell under the pointer
    HexStyleGridMask = 0x00003F,
    HexStyleInfoMask = 0x003F00,
    // What a new control starts with, and what the packet window keeps: grid address, hex and
    // character columns; every info field but octal; the hot cell frame.
    HexStyleDefault = 0x402F23,
};

// Notifications of the hex view and of its numeric editor, with their fixed codes.
enum HexNotification : int {
    HexValueEditedCode = 1124,
    HexTopChangedCode = 1125,
    HexSelectionMadeCode = 1127,
};

inline constexpr int HexKindOf(int type) {
    return type & 0x0F;
}
inline constexpr bool IsGridColumn(int type) {
    return type >= HexGridAddr && type <= HexGridAscii;
}
inline constexpr bool IsInfoField(int type) {
    return type >= HexInfoAddr && type <= HexInfoAscii;
}
// A grid column that shows data values (not the address).
inline constexpr bool IsGridDataColumn(int type) {
    return type >= HexGridHex && type <= HexGridAscii;
}
inline constexpr bool IsAddressColumn(int type) {
    return type == HexInfoAddr || type == HexGridAddr;
}

// The style flag that switches a column type on; 0 for anything else.
std::uint32_t HexColumnFlag(int type);
bool IsColumnOn(std::uint32_t style, int type);
// "Addr", "Hex", "Dec", "Bin", "Oct" or "Ascii".
std::string_view HexColumnLabel(int type);
// Characters a unit of this kind takes: byte units 2, 3, 8, 3, 1 for hexadecimal, decimal,
// binary, octal and character; 16-bit units 4, 6, 16, 6, 1; the address width for addresses.
int HexUnitWidth(int kind, int unitBytes, int addressWidth);
// Hexadecimal digits of an address: 4, or when the last address passes 0xFFFF, 4 plus the
// digits of the last address shifted right by 16 bits.
int HexAddressWidth(long long lastAddress);
