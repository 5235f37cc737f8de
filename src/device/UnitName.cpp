#include "device/UnitName.h"

#include "device/VXDevice.h"

bool ParseUnitName(const std::string& name, int* typeIndex, int* number) {
    if (name.size() != 4 || name[3] < '0' || name[3] > '9') {
        return false;
    }
    for (int type = 0; type < 2; ++type) {
        if (name.compare(0, 3, CVXDevice::TypeName(type)) == 0) {
            *typeIndex = type;
            *number = name[3] - '0';
            return true;
        }
    }
    return false;
}

std::string UnitName(int typeIndex, int number) {
    const char* type = CVXDevice::TypeName(typeIndex);
    return std::string(type != nullptr ? type : "?") + std::to_string(number);
}
