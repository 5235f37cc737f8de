#include "inspect/HexColumns.h"

std::uint32_t HexColumnFlag(int type) {
    if (IsInfoField(type)) {
        return HexStyleInfoAddr << (type - HexInfoAddr);
    }
    if (IsGridColumn(type)) {
        return HexStyleGridAddr << (type - HexGridAddr);
    }
    return 0;
}

bool IsColumnOn(std::uint32_t style, int type) {
    const std::uint32_t flag = HexColumnFlag(type);
    return flag != 0 && (style & flag) != 0;
}

std::string_view HexColumnLabel(int type) {
    switch (HexKindOf(type)) {
        case HexKindAddress:
            return "Addr";
        case HexKindHex:
            return "Hex";
        case HexKindDec:
            return "Dec";
        case HexKindBin:
            return "Bin";
        case HexKindOct:
            return "Oct";
        case HexKindChar:
            return "Ascii";
        default:
            return "";
    }
}

int HexUnitWidth(int kind, int unitBytes, int addressWidth) {
    const bool words = unitBytes == 2;
    switch (kind) {
        case HexKindAddress:
            return addressWidth;
        case HexKindHex:
            return words ? 4 : 2;
        case HexKindDec:
        case HexKindOct:
            return words ? 6 : 3;
        case HexKindBin:
            return words ? 16 : 8;
        case HexKindChar:
            return 1;
        default:
            return 0;
    }
}

int HexAddressWidth(long long lastAddress) {
    if (lastAddress <= 0xFFFF) {
        return 4;
    }
    int digits = 0;
    for (long long high = lastAddress >> 16; high > 0; high >>= 4) {
        ++digits;
    }
    return 4 + digits;
}
