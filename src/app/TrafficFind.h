#pragma once
// Find in a traffic list, without the window: the find text read as the user types it, and the
// search over a store of lines. The traffic list's find dialog and any other list of lines
// (a capture read from a file) share it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/TrafficStore.h"

// Which lines a search looks at.
enum class FindDirection { Received, Sent, Both };

struct TrafficQuery {
    // A run of the packet's bytes, command first and then the payload, as the line shows them
    // after its length field; used when command is absent.
    std::vector<unsigned char> bytes;
    std::optional<unsigned char> command;  // lines with this command byte
    FindDirection direction = FindDirection::Both;
};

// The find field's name as the dialog shows it, and what it says when nothing is found.
extern const char kFindFieldName[];
extern const char kNoMatchText[];

// Reads the find text: hexadecimal bytes, blanks allowed between and inside them ("53 0A",
// "530a"), or a command, "команда 53" (one or two digits, 01 to FF). Nothing, and *message
// naming the field and the problem ("Искать: нечётное число цифр"), for anything else: no
// text, an odd number of digits, a character that is no digit.
std::optional<TrafficQuery> ReadFindText(std::string_view text, FindDirection direction,
                                         std::string* message);

bool LineMatches(const TrafficLine& line, const TrafficQuery& query);

// The nearest matching line from index from on, towards the newest line (forward) or the
// oldest; from itself counts. Nothing when none is left that way (or from is outside the
// store).
std::optional<std::size_t> FindTrafficLine(const CTrafficStore& lines, const TrafficQuery& query,
                                           std::size_t from, bool forward);
