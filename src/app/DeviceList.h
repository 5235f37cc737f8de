#pragma once
// What the device selection dialog shows and does, without the window: the attached units as
// rows, and connecting the main window's channel to one of them or disconnecting it. Runs on
// the user-interface thread; Open and Close of the channel take effect at once.

#include <cstdint>
#include <vector>

class CVXDevice;

struct DeviceRow {
    int typeIndex = 0;
    int number = 0;

    // Type index in the upper 16 bits, unit number in the lower 16.
    std::uint32_t GetValue() const;
};

// "Занято" or "Свободно", UTF-8.
const char* DeviceStateText(bool busy);

// A unit as a probe finds it: free when the probe can open it (it is closed again at once),
// busy when it is attached but cannot be opened (another program holds it), absent otherwise.
enum class UnitState { Absent, Free, Busy };
UnitState ProbeUnit(CVXDevice& probe, int typeIndex, int number);

class CDeviceList {
public:
    static constexpr int kProbedUnits = 10;  // units 0..9 of each type

    explicit CDeviceList(CVXDevice& channel);

    // USB 0..9 then PCI 0..9: the unit open in the channel is listed busy without probing; any
    // other is listed free when probe can open it (and is closed again at once).
    void Fill(CVXDevice& probe);

    const std::vector<DeviceRow>& GetRows() const { return m_rows; }
    // The row names the unit open in the channel (no row does while it is closed). A row's
    // state ("Занято") is read from the channel each time, never remembered, so a unit that
    // went away or failed to open never stays busy.
    bool IsOpenUnit(int row) const;

    // Opens the row's unit in place of the open one. False when the unit cannot be opened
    // (gone, or taken by another program since the list was filled): the open unit then stays
    // open and working, the row goes (the list holds only units it could open), and the caller
    // tells the user.
    bool Connect(int row);
    void Disconnect(int row);
    // Disconnects the open unit's row; connects any other.
    bool Toggle(int row);

private:
    bool IsRow(int row) const { return row >= 0 && row < static_cast<int>(m_rows.size()); }
    // The unit is the one open in the channel.
    bool IsChannelUnit(const DeviceRow& unit) const;

    CVXDevice& m_channel;
    std::vector<DeviceRow> m_rows;
};
