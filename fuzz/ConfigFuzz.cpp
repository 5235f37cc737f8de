// The settings reader: any file loads; the model it gives obeys the file's rules; saving it and
// loading the result gives the same model, and saving that is byte for byte the first save.

#include <set>
#include <string>

#include "FuzzCheck.h"
#include "settings/Config.h"

namespace {

bool SameModel(const CConfig& a, const CConfig& b) {
    const auto& x = a.GetSections();
    const auto& y = b.GetSections();
    if (x.size() != y.size()) {
        return false;
    }
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (x[i].name != y[i].name || x[i].entries.size() != y[i].entries.size()) {
            return false;
        }
        for (std::size_t j = 0; j < x[i].entries.size(); ++j) {
            if (x[i].entries[j].key != y[i].entries[j].key ||
                x[i].entries[j].value != y[i].entries[j].value) {
                return false;
            }
        }
    }
    return true;
}

void CheckModel(const CConfig& config) {
    std::set<std::string> names;
    for (const ConfigSection& section : config.GetSections()) {
        FUZZ_CHECK(!section.name.empty());
        FUZZ_CHECK(names.insert(section.name).second);  // one section per name
        std::set<std::string> keys;
        for (const ConfigEntry& entry : section.entries) {
            FUZZ_CHECK(!entry.key.empty());
            if (entry.key == CConfig::kCommentKey) {
                continue;
            }
            FUZZ_CHECK(keys.insert(entry.key).second);  // a repeated key replaced the value
            FUZZ_CHECK(entry.key.find('=') == std::string::npos);
            std::string value;
            FUZZ_CHECK(config.GetValue(section.name.c_str(), entry.key.c_str(), value) == 1);
            FUZZ_CHECK(value == entry.value);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = Fuzz::ScratchPath("Tavrin.ini");
    Fuzz::WriteBytes(path, data, size);

    CConfig first;
    FUZZ_CHECK(first.Load(path.c_str()) == 1);
    CheckModel(first);
    FUZZ_CHECK(first.Save() == 1);
    const std::string saved = Fuzz::ReadBytes(path);

    CConfig second;
    FUZZ_CHECK(second.Load(path.c_str()) == 1);
    FUZZ_CHECK(SameModel(first, second));
    FUZZ_CHECK(second.Save() == 1);
    FUZZ_CHECK(Fuzz::ReadBytes(path) == saved);
    return 0;
}
