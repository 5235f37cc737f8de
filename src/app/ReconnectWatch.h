#pragma once
// Watching for a unit that went away to come back, on the user-interface thread: each Tick
// tries to open it again on the channel, with the framing the channel has. Only a unit that the
// program lost is watched (it went away, or programming could not open it again), never one the
// user disconnected. Watching ends when the unit is open again, or once the channel has opened
// any unit meanwhile (the user chose one).

class CVXDevice;

class CReconnectWatch {
public:
    explicit CReconnectWatch(CVXDevice& channel) : m_channel(channel) {}

    void Watch(int typeIndex, int number);
    void Stop() { m_watching = false; }
    bool IsWatching() const { return m_watching; }
    int GetTypeIndex() const { return m_typeIndex; }
    int GetNumber() const { return m_number; }

    // True when this try opened the unit again. A unit that is not there costs one failed open
    // of its device object (or socket), which does not wait.
    bool Tick();

private:
    CVXDevice& m_channel;
    bool m_watching = false;
    int m_typeIndex = -1;
    int m_number = -1;
};
