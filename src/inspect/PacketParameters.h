#pragma once
// Named parameters of a packet definition: "&name&" runs in its text whose values the user
// gives before each send. Window-free; the parameters dialog only fills in the values.
//
// Extraction takes the runs out of the text and remembers where each stood; splicing puts the
// values in their place, working from the last parameter to the first so the earlier
// positions stay valid. Text and names are bytes as the script file holds them.

#include <string>
#include <vector>

struct PacketParameter {
    int position = 0;   // where the value goes, in the text without its runs
    std::string name;   // between the ampersands; may be empty
    std::string value;  // the user's text; empty at the start of every send
};

// Splits a definition's text into the text without its parameter runs (returned) and its
// parameters in order of appearance, each with an empty value. The ampersands never reach the
// text; everything after an unmatched last ampersand is dropped and makes no parameter.
std::string ExtractParameters(const std::string& definition,
                              std::vector<PacketParameter>& parameters);

// The text with each non-empty value inserted at its position; values go in verbatim. Two
// parameters at one position end up in their order of appearance.
std::string SpliceParameters(std::string text, const std::vector<PacketParameter>& parameters);
