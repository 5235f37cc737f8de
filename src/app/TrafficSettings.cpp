#include "app/TrafficSettings.h"

#include "settings/Config.h"

std::size_t ReadMaxListLines(const CConfig& config) {
    const int value = config.GetInt("Main", "MaxListLines", static_cast<int>(kDefaultMaxListLines));
    if (value < 0) {
        return kDefaultMaxListLines;
    }
    return value == 0 ? kListRowLimit : static_cast<std::size_t>(value);
}

bool ReadLogMilliseconds(const CConfig& config) {
    return config.GetInt("Main", "LogMilliseconds", 0) != 0;
}
