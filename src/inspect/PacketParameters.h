#pragma once
// Named parameters of a packet definition: "&name&" runs in its text whose values the user
// gives before each send. Window-free; the parameters dialog and tavrin-cli only fill in the
// values, and both judge them here.
//
// Extraction takes the runs out of the text and remembers where each stood; splicing puts the
// values in their place, working from the last parameter to the first so the earlier
// positions stay valid. Text and names are bytes as the script file holds them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CPacket;

struct PacketParameter {
    int position = 0;   // where the value goes, in the text without its runs
    std::string name;   // between the ampersands; may be empty
    std::string value;  // the user's text, as typed
};

// Splits a definition's text into the text without its parameter runs (returned) and its
// parameters in order of appearance, each with an empty value. The ampersands never reach the
// text; everything after an unmatched last ampersand is dropped and makes no parameter.
std::string ExtractParameters(const std::string& definition,
                              std::vector<PacketParameter>& parameters);

// The text with each non-empty value inserted at its position; values go in verbatim. Two
// parameters at one position end up in their order of appearance.
std::string SpliceParameters(std::string text, const std::vector<PacketParameter>& parameters);

// What keeps a typed text from being whole bytes.
enum class HexTextProblem { None, OddDigits, NotHexDigit };

// Hexadecimal text as a person types it: blanks and tabs anywhere are dropped, and what is
// left must be hexadecimal digits (either case), an even number of them; none at all is
// allowed (an empty parameter value adds nothing). On None, digits (when given) receives what
// is left.
HexTextProblem CheckHexText(std::string_view text, std::string* digits = nullptr);

// A packet's command byte as a person types it: one or two hexadecimal digits, "0x" allowed,
// 01 to FF (command 00 makes no packet); nothing for any other text.
std::optional<int> ReadCommandByte(const std::string& text);

// The problem in the user's words: "нечётное число цифр", "допустимы только шестнадцатеричные
// цифры"; empty for None.
std::string HexTextProblemText(HexTextProblem problem);

// "Параметр «Адрес»: нечётное число цифр", the name as the user reads it (UTF-8).
std::string ParameterValueMessage(std::string_view shownName, HexTextProblem problem);

// The first parameter whose value CheckHexText refuses, or -1 when every value passes;
// problem (when given) receives why.
int FindBadParameter(const std::vector<PacketParameter>& parameters,
                     HexTextProblem* problem = nullptr);

// The packet text for values that passed the check: each value without its blanks spliced in.
std::string SpliceCheckedParameters(const std::string& text,
                                    std::vector<PacketParameter> parameters);

// Sets the packet from a text that must be whole digit pairs, command first. False, the packet
// unchanged, for any other text ("Неверный формат пакета"): none, an odd digit left over, a
// character that is no digit, or more than a packet holds.
bool PacketFromWholeHexText(const std::string& text, CPacket* packet);
