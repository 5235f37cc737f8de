#include "app/DefinitionHighlight.h"

namespace {

void AddRange(std::vector<ColourRange>& ranges, std::size_t start, std::size_t end,
              DefinitionColour colour) {
    if (end > start) {
        ranges.push_back({static_cast<int>(start), static_cast<int>(end), colour});
    }
}

}  // namespace

std::optional<std::vector<ColourRange>> FindDefinitionColours(std::u16string_view text) {
    const std::size_t dollar = text.find(u'$');
    if (dollar == std::u16string_view::npos || dollar + 1 >= text.size()) {
        return std::nullopt;
    }
    std::vector<ColourRange> ranges;
    const std::size_t key = dollar + 1;
    // A key outside the basic plane takes two units; it is one character all the same.
    const bool pair = key + 1 < text.size() && text[key] >= 0xD800 && text[key] <= 0xDBFF &&
                      text[key + 1] >= 0xDC00 && text[key + 1] <= 0xDFFF;
    const std::size_t afterKey = key + (pair ? 2 : 1);
    AddRange(ranges, key, afterKey, DefinitionColour::Key);

    bool inParameter = false;
    bool inComment = false;
    std::size_t start = 0;
    std::size_t at = afterKey;
    for (; at < text.size() && text[at] != u'$'; ++at) {
        const char16_t c = text[at];
        if (c == u';' && !inParameter) {
            inComment = true;
            start = at + 1;
        } else if (inComment) {
            if (c == u'\r' || c == u'\n' || c == u'\u2029') {
                AddRange(ranges, start, at, DefinitionColour::Comment);
                inComment = false;
            }
        } else if (c == u'&') {
            if (inParameter) {
                AddRange(ranges, start, at, DefinitionColour::Parameter);
            } else {
                start = at + 1;
            }
            inParameter = !inParameter;
        }
    }
    if (inComment) {
        AddRange(ranges, start, at, DefinitionColour::Comment);
    }
    return ranges;
}

RgbColour DefinitionColourValue(DefinitionColour colour) {
    switch (colour) {
        case DefinitionColour::Key:
            return {255, 0, 0};
        case DefinitionColour::Parameter:
            return {0, 0, 255};
        case DefinitionColour::Comment:
            break;
    }
    return {0, 128, 0};
}
