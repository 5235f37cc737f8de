// Parameters of a packet definition: extraction leaves the text without ampersands and finds one
// parameter per pair of them, in order; splicing nothing gives the text back, and splicing each
// parameter's own run gives the definition back (up to an unmatched last ampersand).

#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "inspect/PacketParameters.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string definition(reinterpret_cast<const char*>(data), size);
    std::vector<PacketParameter> parameters;
    const std::string text = ExtractParameters(definition, parameters);

    std::size_t ampersands = 0;
    for (char c : definition) {
        ampersands += c == '&' ? 1 : 0;
    }
    FUZZ_CHECK(text.find('&') == std::string::npos);
    FUZZ_CHECK(parameters.size() == ampersands / 2);
    int previous = 0;
    for (const PacketParameter& parameter : parameters) {
        FUZZ_CHECK(parameter.value.empty());
        FUZZ_CHECK(parameter.position >= previous);
        FUZZ_CHECK(parameter.position <= static_cast<int>(text.size()));
        previous = parameter.position;
    }
    FUZZ_CHECK(SpliceParameters(text, parameters) == text);

    std::string kept = definition;
    if (ampersands % 2 == 1) {
        kept.erase(kept.rfind('&'));
    }
    std::vector<PacketParameter> runs = parameters;
    for (PacketParameter& parameter : runs) {
        parameter.value = "&" + parameter.name + "&";
    }
    FUZZ_CHECK(SpliceParameters(text, runs) == kept);

    // Values go in verbatim, whatever they hold: each one's bytes stand in the result.
    std::vector<PacketParameter> values = parameters;
    std::size_t added = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i].value = definition.substr(i % (definition.size() + 1), i % 3);
        added += values[i].value.size();
    }
    FUZZ_CHECK(SpliceParameters(text, values).size() == text.size() + added);
    return 0;
}
