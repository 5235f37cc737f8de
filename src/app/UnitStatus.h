#pragma once
// What the status bar tells about the unit the program works with: which unit and whether it is
// open ("USB 0: подключено", "USB 0: отключено", "нет устройства"), and the packets received and
// sent since it was opened ("Принято: N  Отправлено: M").
//
// The unit named is the one open; else the one open last (it went away, was disconnected in the
// device dialog, or could not be opened again after programming); else the one the settings
// name at start-up when it could not be opened. "нет устройства" while there is none of these.
//
// The window looks at the channel a few times a second and after every change it makes itself.
// The counts come from totals that only grow (the receive thread's count of packets received,
// the window's of packets sent): an opening notes the totals at that moment and the counts are
// the growth since, so that nothing is ever reset on another thread.

#include <string>

struct PacketTotals {
    long long received = 0;
    long long sent = 0;
};

class CUnitStatus {
public:
    // The unit the settings name at start-up, opened or not.
    void Configured(int typeIndex, int number);
    // The channel as it is now. A unit open now that was not open at the last look, or another
    // unit than the last, is a new opening: its counts start at these totals.
    void Update(bool open, int typeIndex, int number, const PacketTotals& totals);

    std::string UnitText() const;
    // Empty until a unit has been open; then the counts of its last opening, kept after it
    // closed.
    std::string CountsText() const;

private:
    bool m_open = false;
    int m_typeIndex = -1;  // the unit named; -1: none
    int m_number = -1;
    bool m_counting = false;
    PacketTotals m_start;
    PacketTotals m_now;
};

// "USB 0: подключено" or "USB 0: отключено"; "нет устройства" for no unit (a type index that
// names no type).
std::string UnitStateText(bool open, int typeIndex, int number);
// "Принято: N  Отправлено: M".
std::string PacketCountsText(long long received, long long sent);
