#include "app/DeviceList.h"
#include "cli/Commands.h"
#include "device/UnitName.h"
#include "device/VXDevice.h"

namespace cli {

int RunList(const DeviceOptions& device) {
    CVXDevice probe(ResolveDirectory(device));
    for (int type = 0; type <= 1; ++type) {
        for (int number = 0; number < CDeviceList::kProbedUnits; ++number) {
            const UnitState state = ProbeUnit(probe, type, number);
            if (state != UnitState::Absent) {
                PrintLine(UnitName(type, number) + " " + DeviceStateText(state == UnitState::Busy));
            }
        }
    }
    return kSuccess;
}

}  // namespace cli
