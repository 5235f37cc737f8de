#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/StartupDevice.h"
#include "settings/Config.h"

namespace {

struct ChoiceCase {
    const char* type;  // null: key absent
    const char* number;
    const char* splittable;
    bool open;
    int expectedType;
    int expectedNumber;
    bool singleFrame;
};
void PrintTo(const ChoiceCase& c, std::ostream* out) {
    for (const char* value : {c.type, c.number, c.splittable}) {
        *out << (value != nullptr ? "\"" + std::string(value) + "\" " : "absent ");
    }
}

class ConfiguredDevice : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ConfiguredDevice, OpensOnlyAValidUnit) {
    const ChoiceCase& c = GetParam();
    CConfig config;
    const std::pair<const char*, const char*> keys[] = {
        {"DeviceType", c.type}, {"DeviceNumber", c.number}, {"SplittablePacketMode", c.splittable}};
    for (const auto& [key, value] : keys) {
        if (value != nullptr) {
            config.SetValue("Main", key, value);
        }
    }
    DeviceChoice choice = ChooseConfiguredDevice(config);
    EXPECT_EQ(choice.open, c.open);
    EXPECT_EQ(choice.singleFrame, c.singleFrame);
    if (c.open) {
        EXPECT_EQ(choice.typeIndex, c.expectedType);
        EXPECT_EQ(choice.number, c.expectedNumber);
    }
}

// Start-up itself (the window against the simulator) covers a type of 2 and one of "abc".
INSTANTIATE_TEST_SUITE_P(Settings, ConfiguredDevice,
                         ::testing::Values(ChoiceCase{"1", "3", "-4", true, 1, 3, false},
                                           ChoiceCase{"1", "3", "0", true, 1, 3, true},
                                           ChoiceCase{"1", "3", "x", true, 1, 3, true},
                                           ChoiceCase{nullptr, "0", nullptr, false, 0, 0, true},
                                           ChoiceCase{"0", "", nullptr, false, 0, 0, true},
                                           ChoiceCase{"", "0", nullptr, false, 0, 0, true},
                                           ChoiceCase{"-1", "0", nullptr, false, 0, 0, true},
                                           ChoiceCase{"0", "-5", nullptr, false, 0, 0, true},
                                           ChoiceCase{"0", nullptr, nullptr, false, 0, 0, true},
                                           ChoiceCase{"1x", "2z", nullptr, true, 1, 2, true},
                                           ChoiceCase{"99999999999", "0", nullptr, false, 0, 0,
                                                      true}));

}  // namespace
