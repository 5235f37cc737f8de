#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/TrafficFind.h"

namespace {

struct TextCase {
    const char* text;
    std::vector<unsigned char> bytes;  // looked for
    int command;                       // looked for; -1: bytes are
    const char* message;               // refused with it; null: taken
};
void PrintTo(const TextCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class FindText : public ::testing::TestWithParam<TextCase> {};

// Bytes with blanks anywhere, or a command; anything else is refused with the field named.
TEST_P(FindText, TakesBytesOrACommand) {
    const TextCase& c = GetParam();
    std::string message;
    const std::optional<TrafficQuery> query = ReadFindText(c.text, FindDirection::Sent, &message);
    if (c.message != nullptr) {
        EXPECT_FALSE(query);
        EXPECT_EQ(message, c.message);
        return;
    }
    ASSERT_TRUE(query) << message;
    EXPECT_EQ(query->bytes, c.bytes);
    EXPECT_EQ(query->command ? *query->command : -1, c.command);
    EXPECT_EQ(query->direction, FindDirection::Sent);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FindText,
    ::testing::Values(
        TextCase{"53 0a 1F", {0x53, 0x0A, 0x1F}, -1, nullptr},
        TextCase{"  530A\t", {0x53, 0x0A}, -1, nullptr},
        TextCase{"5 30A", {0x53, 0x0A}, -1, nullptr}, TextCase{"команда 53", {}, 0x53, nullptr},
        TextCase{" Команда  7 ", {}, 0x07, nullptr}, TextCase{"КОМАНДА 0xFF", {}, 0xFF, nullptr},
        TextCase{"530", {}, -1, "Искать: нечётное число цифр"},
        TextCase{"53:0A", {}, -1, "Искать: допустимы только шестнадцатеричные цифры"},
        TextCase{"GG", {}, -1, "Искать: допустимы только шестнадцатеричные цифры"},
        TextCase{"   ", {}, -1, "Искать: нужны байты в hex или «команда NN»"},
        TextCase{
            "команда", {}, -1, "Искать: после «команда» нужен байт команды в hex, от 01 до FF"},
        TextCase{
            "команда 00", {}, -1, "Искать: после «команда» нужен байт команды в hex, от 01 до FF"},
        TextCase{"команда 123",
                 {},
                 -1,
                 "Искать: после «команда» нужен байт команды в hex, от 01 до FF"}));

// Lines 0..5 of a small list: direction, command, payload.
struct Row {
    bool sent;
    unsigned char command;
    std::vector<unsigned char> payload;
};
const std::vector<Row> kRows = {
    {false, 0x53, {0x01, 0x02, 0x03}},  // 0
    {true, 0x10, {0x53, 0x01}},         // 1
    {false, 0x20, {}},                  // 2
    {true, 0x53, {0xAA}},               // 3
    {false, 0x21, {0x00, 0x53, 0x01}},  // 4
    {true, 0x02, {0x03}},               // 5
};

struct SearchCase {
    const char* text;
    FindDirection direction;
    std::size_t from;
    bool forward;
    int found;  // -1: none
};
void PrintTo(const SearchCase& c, std::ostream* out) {
    *out << '"' << c.text << "\" from " << c.from << (c.forward ? " on" : " back");
}

class FindLine : public ::testing::TestWithParam<SearchCase> {};

// A run of bytes anywhere in command and payload (not the length field), or a command, in the
// lines of the chosen direction, from a line on, either way; the line it starts at counts.
TEST_P(FindLine, NearestMatchThatWay) {
    const SearchCase& c = GetParam();
    CTrafficStore store;
    for (const Row& row : kRows) {
        ASSERT_TRUE(store.Append(
            {0, row.sent, row.command, static_cast<int>(row.payload.size()), row.payload.data()}));
    }
    std::string message;
    const std::optional<TrafficQuery> query = ReadFindText(c.text, c.direction, &message);
    ASSERT_TRUE(query) << message;
    const std::optional<std::size_t> found = FindTrafficLine(store, *query, c.from, c.forward);
    EXPECT_EQ(found ? static_cast<int>(*found) : -1, c.found);
}

INSTANTIATE_TEST_SUITE_P(
    Searches, FindLine,
    ::testing::Values(SearchCase{"53 01", FindDirection::Both, 0, true, 0},
                      SearchCase{"53 01", FindDirection::Both, 1, true, 1},
                      SearchCase{"53 01", FindDirection::Both, 2, true, 4},
                      SearchCase{"53 01", FindDirection::Received, 1, true, 4},
                      SearchCase{"53 01", FindDirection::Both, 5, true, -1},
                      SearchCase{"53 01", FindDirection::Both, 5, false, 4},
                      SearchCase{"53 01", FindDirection::Sent, 3, false, 1},
                      SearchCase{"02 03", FindDirection::Both, 0, true, 0},
                      SearchCase{"02 03", FindDirection::Both, 1, true, 5},
                      SearchCase{"03 04", FindDirection::Both, 0, true, -1},
                      SearchCase{"20", FindDirection::Both, 0, true, 2},
                      SearchCase{"05 21", FindDirection::Both, 0, true, -1},
                      SearchCase{"53 01 02 03 04", FindDirection::Both, 0, true, -1},
                      SearchCase{"команда 53", FindDirection::Both, 1, true, 3},
                      SearchCase{"команда 53", FindDirection::Received, 1, true, -1},
                      SearchCase{"команда 53", FindDirection::Both, 2, false, 0},
                      SearchCase{"команда 53", FindDirection::Both, 6, false, -1}));

}  // namespace
