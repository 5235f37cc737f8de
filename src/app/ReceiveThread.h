#pragma once
// The receive thread: turns every packet the device channel delivers into a log line and a
// traffic line, and reports a unit that went away. A unit the program closed itself (the device
// dialog switching units, a programming run reopening it) is not reported.
//
// It waits on the channel's auto-reset packet signal. Packets that complete while it is busy
// share one wake-up, so each wake-up takes every packet waiting, not just one; otherwise the
// extra packets would sit unseen until later traffic and be dropped from the channel's small
// queue. It takes what waits before it writes any of it, so that the channel's reader can
// read on meanwhile. The sink is called on this thread and must not wait for the
// user-interface thread.

#include <atomic>

#include "device/VXDevice.h"
#include "device/wirekit/Thread.h"
#include "packet/Packet.h"

class CLogFile;

class IReceiveSink {
public:
    virtual ~IReceiveSink() = default;
    // A packet received, already written to the log.
    virtual void PacketReceived(const CPacket& packet) = 0;
    // The channel lost its unit; called after the unit's last packets. Not called again until
    // the previous report was acknowledged with CReceiveThread::DeviceLostShown, as a modal
    // message would hold it.
    virtual void DeviceLost() = 0;
    // The channel lost its unit: at every loss, also while a DeviceLost report is unanswered,
    // and before that report. For what follows each loss (the title, watching for the unit).
    virtual void UnitLost() {}
};

class CReceiveThread : public Wirekit::Win32::CThread {
public:
    CReceiveThread(CVXDevice& device, CLogFile& log, IReceiveSink& sink);
    ~CReceiveThread() override;

    // Ends the thread and waits for it (at most the packets in hand), and lets the channel know
    // that nobody takes its packets any more. Safe to call more than once and from the owner's
    // thread only.
    void Stop();
    // The user has closed the device-lost message; the next loss is reported again.
    void DeviceLostShown() { m_lostReported.store(false); }

    int Run() override;

    // Handles one wake-up of the packet signal: every waiting packet, then a lost unit.
    // Returns the number of packets taken. Public for tests that drive it step by step.
    int ReceiveLoopStep();

private:
    void ReceiveLoop();

    // Packets taken from the channel and not yet written: as many as its queue holds.
    static constexpr int kHeld = CVXDevice::kQueueSlots - 1;
    CPacket m_held[kHeld];

    CVXDevice& m_device;
    CLogFile& m_log;
    IReceiveSink& m_sink;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_lostReported{false};
};
