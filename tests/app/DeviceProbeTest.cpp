// How a probe sees a unit (what the device dialog lists and tavrin-cli's list prints), and the
// names units go by.

#include <gtest/gtest.h>

#include "app/DeviceList.h"
#include "app/StartupDevice.h"
#include "device/SimFixture.h"
#include "device/UnitName.h"
#include "settings/Config.h"

namespace {

TEST(DeviceProbe, TellsFreeBusyAndAbsentUnitsApart) {
    TempDir dir;
    const std::string units = UnitDirectory(dir);
    vxsim::Simulator sim(units);
    ASSERT_TRUE(sim.AddUnit(0, 1));
    ASSERT_TRUE(sim.AddUnit(1, 2));
    CVXDevice holder(units);
    ASSERT_EQ(holder.Open(1, 2), 1);
    CVXDevice probe(units);
    EXPECT_EQ(ProbeUnit(probe, 0, 1), UnitState::Free);
    EXPECT_FALSE(probe.IsOpen()) << "a free unit is closed again";
    EXPECT_TRUE(sim.WaitOpen(0, 1, false, 2000));
#ifdef _WIN32
    // The pipe backend cannot tell a busy unit from an absent one; the dialog lists neither.
    EXPECT_EQ(ProbeUnit(probe, 1, 2), UnitState::Absent);
#else
    EXPECT_EQ(ProbeUnit(probe, 1, 2), UnitState::Busy);
#endif
    EXPECT_EQ(ProbeUnit(probe, 0, 2), UnitState::Absent);
    ASSERT_TRUE(sim.Unplug(0, 1));
    EXPECT_EQ(ProbeUnit(probe, 0, 1), UnitState::Absent) << "an unplugged unit is gone";
    EXPECT_FALSE(probe.IsUnitPresent(2, 0)) << "no such type";
}

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

TEST(UnitDirectory, FromTheSettingsElseTheDriversPlace) {
    CConfig config;
    EXPECT_EQ(ConfiguredDeviceDirectory(config), VxDriver::kDefaultDirectory);
    config.SetValue("Driver", "Directory", "/tmp/vx");
    EXPECT_EQ(ConfiguredDeviceDirectory(config), "/tmp/vx");
}

}  // namespace
