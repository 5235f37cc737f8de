// The hex view's info text: any format over any data, never a byte read outside the data (the
// data is a heap block of exactly its size); text outside directives is copied; the text grows
// only at its end as the format goes on; values show at their stated widths.

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "inspect/HexInfoText.h"

namespace {

// True when the format does not end inside a directive.
bool EndsOutsideDirective(std::string_view format) {
    std::size_t at = 0;
    while (at < format.size()) {
        if (format[at++] != '%') {
            continue;
        }
        while (at < format.size() &&
               std::string_view("+-01234").find(format[at]) != std::string_view::npos) {
            ++at;
        }
        if (at == format.size()) {
            return false;
        }
        ++at;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 6) {
        return 0;
    }
    HexInfoOptions options;
    options.unitBytes = input[0] & 1 ? 2 : 1;
    options.littleEndian = (input[0] & 2) != 0;
    options.addressWidth = 1 + input[1] % 16;
    options.replacement = static_cast<char>(input[2]);
    const int unit = static_cast<signed char>(input[3]);
    // The rest is split into the format and the data at a point the input chooses.
    const std::size_t rest = size - 5;
    const std::size_t split = std::min<std::size_t>(input[4], rest);
    const std::string_view format(reinterpret_cast<const char*>(input) + 5, split);
    const std::size_t dataSize = rest - split;
    std::unique_ptr<unsigned char[]> data(new unsigned char[dataSize]);
    std::copy(input + 5 + split, input + size, data.get());
    const int count = static_cast<int>(dataSize);

    const std::string text = ExpandInfoText(format, data.get(), count, unit, options);
    FUZZ_CHECK(text == ExpandInfoText(format, data.get(), count, unit, options));
    if (format.find('%') == std::string_view::npos) {
        FUZZ_CHECK(text == format);
    }
    for (std::size_t cut = 0; cut <= format.size(); ++cut) {
        const std::string_view head = format.substr(0, cut);
        if (EndsOutsideDirective(head)) {
            const std::string start = ExpandInfoText(head, data.get(), count, unit, options);
            FUZZ_CHECK(text.compare(0, start.size(), start) == 0);
        }
    }
    // "%<k>H": two digits per byte of the value that is in the data, or 2k zeros without one.
    const long long first = static_cast<long long>(std::max(unit, 0)) * options.unitBytes;
    for (int k = 1; k <= 4; ++k) {
        const std::string directive = "%" + std::to_string(k) + "H";
        const std::string hex = ExpandInfoText(directive, data.get(), count, unit, options);
        const long long present = std::clamp<long long>(count - first, 0, k);
        FUZZ_CHECK(hex.size() == static_cast<std::size_t>(present == 0 ? 2 * k : 2 * present));
        FUZZ_CHECK(hex.find_first_not_of("0123456789ABCDEF") == std::string::npos);
        const std::string binary =
            ExpandInfoText("%" + std::to_string(k) + "B", data.get(), count, unit, options);
        const long long bytes = present == 0 ? k : present;
        FUZZ_CHECK(binary.size() == static_cast<std::size_t>(9 * bytes - 1));
    }
    return 0;
}
