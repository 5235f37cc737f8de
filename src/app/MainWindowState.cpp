#include "app/MainWindowState.h"

#include "device/VXDevice.h"

std::string MakeTitle(bool open, int typeIndex, int number) {
    std::string title = "Tavrin";
    if (open) {
        title += " - Устройство ";
        const char* type = CVXDevice::TypeName(typeIndex);
        title += type != nullptr ? type : "";
        title += " [ " + std::to_string(number) + " ] ";
    }
    return title;
}

bool IsProgrammingEnabled(bool open, int typeIndex) {
    return open && typeIndex == 1;
}
