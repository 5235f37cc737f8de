#include "app/KeyChar.h"

#include "app/CodePage.h"

std::optional<int> KeyFromCharacter(char32_t character) {
    const std::optional<unsigned char> byte = EncodeWindows1251(character);
    if (!byte) {
        return std::nullopt;
    }
    return static_cast<signed char>(*byte);
}
