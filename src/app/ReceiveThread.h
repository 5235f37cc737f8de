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
//
// Sending: the "SEND" line of a packet comes before the "RECV" line of anything the unit sent
// after it got the packet, in the log and in the traffic list, although that line is written
// only once the send has worked (a failed send writes none). So a sender marks its send with
// CSendScope, from before the first frame goes out until its line is written; meanwhile this
// thread goes on taking packets from the channel (its small queue must not overflow), but holds
// back their lines, and writes them once the send is over. It never waits for the sender: the
// end of a send wakes it as a packet would.

#include <atomic>
#include <memory>
#include <vector>

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
    // Packets handed to the sink since the thread was made; it only grows. Any thread.
    long long GetReceivedCount() const { return m_received.load(std::memory_order_relaxed); }

    // A send in flight, from before its first frame until its log line is written. Any thread;
    // scopes may overlap. End the scope before anything that waits for the user (a message).
    class CSendScope {
    public:
        explicit CSendScope(CReceiveThread& receiver);
        ~CSendScope();
        CSendScope(const CSendScope&) = delete;
        CSendScope& operator=(const CSendScope&) = delete;

    private:
        CReceiveThread& m_receiver;
    };

    int Run() override;

    // Handles one wake-up of the packet signal: every waiting packet, then a lost unit; while
    // a send is in flight, only takes the packets. Returns the number of lines written. Public
    // for tests that drive it step by step.
    int ReceiveLoopStep();

    // Packets taken and held back at most, while a send is in flight; beyond them the channel's
    // reader waits for room (the unit's frames wait in its driver), as for a slow receiver.
    static constexpr int kHoldLimit = 4096;
    static constexpr std::size_t kKeptSlots = 2 * CVXDevice::kQueueSlots;

private:
    void ReceiveLoop();
    // Takes what the channel's queue holds (at most one queue's worth) into the held packets,
    // up to kHoldLimit.
    void TakeWaiting();
    // Writes the held packets' lines; returns how many.
    int WriteHeld();
    bool IsSending() const { return m_sending.load() > 0; }

    // Packets taken from the channel and not yet written: the first m_heldCount, in order.
    // The slots are kept for reuse.
    std::vector<std::unique_ptr<CPacket>> m_held;
    int m_heldCount = 0;
    bool m_lostPending = false;  // the unit went away; reported after the held packets

    CVXDevice& m_device;
    CLogFile& m_log;
    IReceiveSink& m_sink;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_lostReported{false};
    std::atomic<int> m_sending{0};
    std::atomic<long long> m_received{0};
};
