#include "inspect/PacketParameters.h"

#include <algorithm>

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
