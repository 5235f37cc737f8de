#pragma once
// Where the definition view colours a packet definition's source: the key after the first "$"
// red, parameter names between ampersands blue, comments after ";" green. Window-free: the
// view asks for the ranges and paints them.
//
// Positions are those of the text as the view holds it: UTF-16 units, each line break one
// character (the view keeps CR LF as a single break), so a comment ends at the first CR or LF
// here, while the script reader needs two. The ";", the ampersands and the "$" keep the
// default colour; a parameter left open at the end is not coloured. A ";" inside a comment
// starts the comment again after it, so the text between the two stays uncoloured.

#include <optional>
#include <string_view>
#include <vector>

enum class DefinitionColour { Key, Parameter, Comment };

struct ColourRange {
    int start = 0;
    int end = 0;  // one past the last character coloured; never empty
    DefinitionColour colour = DefinitionColour::Key;

    bool operator==(const ColourRange&) const = default;
};

// The colours of the text's first record (from its first "$" up to the next "$" or the end),
// in the order they are applied; nothing when the text has no "$" followed by a key.
std::optional<std::vector<ColourRange>> FindDefinitionColours(std::u16string_view text);

// The colour's (red, green, blue).
struct RgbColour {
    int red;
    int green;
    int blue;
};
RgbColour DefinitionColourValue(DefinitionColour colour);
