#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/UnitStatus.h"

namespace {

// One look at the channel and what the two panes then say.
struct Look {
    bool open;
    int type;
    int number;
    long long received;  // the totals since start-up
    long long sent;
    const char* unit;
    const char* counts;
};

struct StatusCase {
    const char* name;
    int configuredType;  // -1: the settings name no unit
    int configuredNumber;
    std::vector<Look> looks;
};

void PrintTo(const StatusCase& c, std::ostream* out) {
    *out << c.name;
}

class UnitStatusTable : public ::testing::TestWithParam<StatusCase> {};

TEST_P(UnitStatusTable, NamesTheUnitAndCountsSinceItsOpening) {
    const StatusCase& c = GetParam();
    CUnitStatus status;
    if (c.configuredType >= 0) {
        status.Configured(c.configuredType, c.configuredNumber);
    }
    for (std::size_t i = 0; i < c.looks.size(); ++i) {
        const Look& look = c.looks[i];
        status.Update(look.open, look.type, look.number, {look.received, look.sent});
        EXPECT_EQ(status.UnitText(), look.unit) << "look " << i;
        EXPECT_EQ(status.CountsText(), look.counts) << "look " << i;
    }
}

const char* const kNoCounts = "";

INSTANTIATE_TEST_SUITE_P(
    Looks, UnitStatusTable,
    ::testing::Values(
        // The panes through a loss and a return are the window's test; here what it cannot
        // reach cheaply.
        StatusCase{"ConfiguredUnitThatDidNotOpen",
                   0,
                   5,
                   {{false, -1, -1, 0, 0, "USB 5: отключено", kNoCounts}}},
        // Another unit between two looks is a new opening even with no closed look between.
        StatusCase{"SwitchedToAnotherUnit",
                   -1,
                   -1,
                   {{true, 0, 0, 0, 0, "USB 0: подключено", "Принято: 0  Отправлено: 0"},
                    {true, 0, 0, 4, 2, "USB 0: подключено", "Принято: 4  Отправлено: 2"},
                    {true, 0, 1, 6, 2, "USB 1: подключено", "Принято: 0  Отправлено: 0"}}},
        // The channel closed between reading "open" and reading the unit: not an opening of
        // "no unit".
        StatusCase{"ClosedWhileRead",
                   -1,
                   -1,
                   {{true, 0, 3, 0, 0, "USB 3: подключено", "Принято: 0  Отправлено: 0"},
                    {true, -1, -1, 1, 0, "USB 3: отключено", "Принято: 1  Отправлено: 0"}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
