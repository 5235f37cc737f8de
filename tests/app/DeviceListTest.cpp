#include <gtest/gtest.h>

#include "app/DeviceList.h"
#include "device/VXDevice.h"
#include "sim/Simulator.h"
#include "support/TempFiles.h"

namespace {

struct Row {
    int type, number;
    bool busy;
    bool operator==(const Row&) const = default;
};

std::vector<Row> Rows(const CDeviceList& list) {
    std::vector<Row> rows;
    for (const DeviceRow& row : list.GetRows()) {
        rows.push_back({row.typeIndex, row.number, row.busy});
    }
    return rows;
}

class DeviceListing : public ::testing::Test {
protected:
    DeviceListing() : simulator(dir.Path().string()), channel(dir.Path().string()) {}
    void Fill() {
        CVXDevice probe(dir.Path().string());
        list.Fill(probe);
    }

    TempDir dir;
    vxsim::Simulator simulator;
    CVXDevice channel;
    CDeviceList list{channel};
};

TEST_F(DeviceListing, NothingAttachedListsNothing) {
    Fill();
    EXPECT_TRUE(list.GetRows().empty());
}

// PCI after USB whatever the order they were attached in; a unit held by another channel
// cannot be probed and is left out. (Connecting and the failures are the dialog's tests.)
TEST_F(DeviceListing, ProbingOrderAndUnitsHeldElsewhere) {
    simulator.AddUnit(1, 9);
    simulator.AddUnit(0, 2);
    simulator.AddUnit(0, 0);
    simulator.AddUnit(1, 0);
    ASSERT_TRUE(channel.Open(0, 2));
    CVXDevice other(dir.Path().string());
    ASSERT_TRUE(other.Open(1, 0));
    Fill();
    EXPECT_EQ(Rows(list), (std::vector<Row>{{0, 0, false}, {0, 2, true}, {1, 9, false}}));
    EXPECT_EQ(list.GetRows()[2].GetValue(), 0x10009u);
    EXPECT_FALSE(list.IsOpenUnit(7));
}

}  // namespace
