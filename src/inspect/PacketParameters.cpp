#include "inspect/PacketParameters.h"

#include <algorithm>
#include <cstdlib>

#include "packet/Packet.h"

std::string ExtractParameters(const std::string& definition,
                              std::vector<PacketParameter>& parameters) {
    parameters.clear();
    std::string text;
    bool inside = false;
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < definition.size(); ++i) {
        if (definition[i] == '&') {
            if (inside) {
                parameters.push_back({static_cast<int>(text.size()),
                                      definition.substr(nameStart, i - nameStart),
                                      {}});
            } else {
                nameStart = i + 1;
            }
            inside = !inside;
        } else if (!inside) {
            text.push_back(definition[i]);
        }
    }
    return text;
}

std::string SpliceParameters(std::string text, const std::vector<PacketParameter>& parameters) {
    for (auto parameter = parameters.rbegin(); parameter != parameters.rend(); ++parameter) {
        if (parameter->value.empty()) {
            continue;
        }
        // Positions come from extraction; one beyond the text would be a caller's slip, and
        // appending is the only reading that loses nothing.
        const auto position =
            std::min(static_cast<std::size_t>(std::max(parameter->position, 0)), text.size());
        text.insert(position, parameter->value);
    }
    return text;
}

namespace {

// Not std::isxdigit: the window's locale must not decide what a digit is.
bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

}  // namespace

HexTextProblem CheckHexText(std::string_view text, std::string* digits) {
    std::string kept;
    kept.reserve(text.size());
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            continue;
        }
        if (!IsHexDigit(c)) {
            return HexTextProblem::NotHexDigit;
        }
        kept.push_back(c);
    }
    if (kept.size() % 2 != 0) {
        return HexTextProblem::OddDigits;
    }
    if (digits != nullptr) {
        *digits = std::move(kept);
    }
    return HexTextProblem::None;
}

std::optional<int> ReadCommandByte(const std::string& text) {
    const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = prefixed ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), IsHexDigit)) {
        return std::nullopt;
    }
    const int value = static_cast<int>(std::strtol(digits.c_str(), nullptr, 16));
    return value == 0 ? std::nullopt : std::optional<int>(value);
}

std::string HexTextProblemText(HexTextProblem problem) {
    switch (problem) {
        case HexTextProblem::OddDigits:
            return "нечётное число цифр";
        case HexTextProblem::NotHexDigit:
            return "допустимы только шестнадцатеричные цифры";
        case HexTextProblem::None:
            break;
    }
    return {};
}

std::string ParameterValueMessage(std::string_view shownName, HexTextProblem problem) {
    return "Параметр «" + std::string(shownName) + "»: " + HexTextProblemText(problem);
}

int FindBadParameter(const std::vector<PacketParameter>& parameters, HexTextProblem* problem) {
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const HexTextProblem found = CheckHexText(parameters[i].value);
        if (found != HexTextProblem::None) {
            if (problem != nullptr) {
                *problem = found;
            }
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string SpliceCheckedParameters(const std::string& text,
                                    std::vector<PacketParameter> parameters) {
    for (PacketParameter& parameter : parameters) {
        std::string digits;
        CheckHexText(parameter.value, &digits);
        parameter.value = std::move(digits);
    }
    return SpliceParameters(text, parameters);
}

// The text must already be digits alone: a blank here would mean a definition that the script
// reader never makes, and is no packet either.
bool PacketFromWholeHexText(const std::string& text, CPacket* packet) {
    if (packet == nullptr || text.find_first_of(" \t") != std::string::npos ||
        CheckHexText(text) != HexTextProblem::None) {
        return false;
    }
    return packet->FromHexText(text.c_str()) != 0;
}
