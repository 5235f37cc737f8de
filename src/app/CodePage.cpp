#include "app/CodePage.h"

namespace {

// Code points of the bytes 0x80..0xBF; 0 where the code page leaves a byte unused (0x98).
// 0xC0..0xFF are U+0410..U+044F in order.
constexpr char16_t kUpperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
};

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

char32_t DecodeWindows1251(unsigned char byte) {
    if (byte < 0x80) {
        return byte;
    }
    if (byte >= 0xC0) {
        return 0x0410 + (byte - 0xC0);
    }
    return kUpperHalf[byte - 0x80];
}

std::string DecodeWindows1251(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char byte : bytes) {
        const char32_t character = DecodeWindows1251(static_cast<unsigned char>(byte));
        AppendUtf8(out, character != 0 || byte == 0 ? character : kReplacement);
    }
    return out;
}

std::optional<unsigned char> EncodeWindows1251(char32_t character) {
    if (character < 0x80) {
        return static_cast<unsigned char>(character);
    }
    if (character >= 0x0410 && character <= 0x044F) {
        return static_cast<unsigned char>(0xC0 + (character - 0x0410));
    }
    for (int i = 0; i < 64; ++i) {
        if (kUpperHalf[i] != 0 && kUpperHalf[i] == character) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return std::nullopt;
}

std::string EncodeWindows1251(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t character : text) {
        out.push_back(static_cast<char>(EncodeWindows1251(character).value_or('?')));
    }
    return out;
}

namespace {

// Reads the character at bytes[*i] and moves past it; false for a malformed sequence.
bool NextUtf8(std::string_view bytes, std::size_t* i, char32_t* out) {
    const auto lead = static_cast<unsigned char>(bytes[*i]);
    int length = 0;
    char32_t value = 0;
    if (lead < 0x80) {
        *out = lead;
        ++*i;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return false;
    }
    if (*i + static_cast<std::size_t>(length) > bytes.size()) {
        return false;
    }
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[*i + static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80) {
            return false;
        }
        value = (value << 6) | (next & 0x3F);
    }
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return false;
    }
    *i += static_cast<std::size_t>(length);
    *out = value;
    return true;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    char32_t character = 0;
    while (i < bytes.size()) {
        if (!NextUtf8(bytes, &i, &character)) {
            return false;
        }
    }
    return true;
}

std::optional<std::u32string> DecodeUtf8(std::string_view bytes) {
    std::u32string text;
    std::size_t i = 0;
    char32_t character = 0;
    while (i < bytes.size()) {
        if (!NextUtf8(bytes, &i, &character)) {
            return std::nullopt;
        }
        text.push_back(character);
    }
    return text;
}

void AppendUtf8(std::string& out, char32_t character) {
    if (character < 0x80) {
        out.push_back(static_cast<char>(character));
    } else if (character < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (character >> 6)));
        out.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    } else if (character < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (character >> 12)));
        out.push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (character >> 18)));
        out.push_back(static_cast<char>(0x80 | ((character >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    }
}
