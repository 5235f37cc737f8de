// The names units go by, as tavrin-cli reads and prints them.

#include <gtest/gtest.h>

#include "device/UnitName.h"

namespace {

TEST(UnitNames, ReadAndWrittenAlike) {
    struct Case {
        const char* name;
        bool valid;
        int type;
        int number;
    };
    const Case cases[] = {{"USB0", true, 0, 0},   {"PCI9", true, 1, 9}, {"USB10", false, 0, 0},
                          {"usb0", false, 0, 0},  {"PCI", false, 0, 0}, {"ISA1", false, 0, 0},
                          {" USB1", false, 0, 0}, {"", false, 0, 0}};
    for (const Case& c : cases) {
        int type = -1;
        int number = -1;
        EXPECT_EQ(ParseUnitName(c.name, &type, &number), c.valid) << c.name;
        if (c.valid) {
            EXPECT_EQ(type, c.type) << c.name;
            EXPECT_EQ(number, c.number) << c.name;
            EXPECT_EQ(UnitName(type, number), c.name);
        }
    }
}

}  // namespace
