#include "app/MainWindowState.h"

#include "device/VXDevice.h"

std::string UnitCaption(int typeIndex, int number) {
    const char* type = CVXDevice::TypeName(typeIndex);
    return std::string("Устройство ") + (type != nullptr ? type : "") + " [ " +
           std::to_string(number) + " ]";
}

std::string MakeTitle(bool open, int typeIndex, int number) {
    std::string title = "Tavrin";
    if (open) {
        title += " - " + UnitCaption(typeIndex, number) + " ";
    }
    return title;
}

std::string ReconnectedText(int typeIndex, int number) {
    return UnitCaption(typeIndex, number) + " снова подключено";
}

bool IsProgrammingEnabled(bool open, int typeIndex) {
    return open && typeIndex == 1;
}
