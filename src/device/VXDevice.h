#pragma once
// The device channel: the program's one connection to a VX unit. It opens a unit through the
// driver port, keeps one read outstanding on its own reader thread, puts the frames it reads
// together into packets and queues complete packets for the receive thread (every frame that is
// ready at a wake-up, the receiver told once for them all), writes packets as
// frames, and passes the two programming control requests to the driver.
//
// Threads: the owner (construction, destruction, Open, Close, SetSingleFrameMode, SendPacket,
// Write, QueryProgress, short ExecuteCommand); the reader thread (Run, and Close when the unit
// goes away); one receiving thread (WaitPacket, TakePacket, IsOpen); one programming worker
// (a long ExecuteCommand while the owner polls QueryProgress).

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "device/DeviceCommand.h"
#include "device/driver/DriverPort.h"
#include "device/wirekit/Event.h"
#include "device/wirekit/Thread.h"
#include "packet/Packet.h"

class CVXDevice : public Wirekit::Win32::CThread {
public:
    // Receives the reassembly diagnostics (English lines ending in CR LF), on the reader thread.
    using DebugOutput = std::function<void(const char* line)>;

    static constexpr int kQueueSlots = 10;
    static constexpr int kReadSize = 16384;
    static constexpr Wirekit::Win32::Milliseconds kWriteTimeout = 5000;

    // Units are looked for in directory (POSIX: the folder holding the VX<type><n> sockets;
    // Windows: the prefix of the device objects, or a pipe prefix for the simulator).
    // Starts the reader thread at once.
    explicit CVXDevice(const std::string& directory = VxDriver::kDefaultDirectory);
    // For tests: a port of the caller's making.
    explicit CVXDevice(std::unique_ptr<VxDriver::CDriverPort> port);
    ~CVXDevice() override;

    CVXDevice(const CVXDevice&) = delete;
    CVXDevice& operator=(const CVXDevice&) = delete;

    // "USB" for 0, "PCI" for 1, null otherwise.
    static const char* TypeName(int typeIndex);

    // Opens unit number of type typeIndex (0 USB, 1 PCI), closing any open unit first. 1 when
    // opened; 0 for a type index above 1 (nothing is touched then) or when the unit cannot be
    // opened (the channel is then closed). A unit that opens starts with an empty queue: what
    // TakePacket returns afterwards came from it, not from an earlier unit.
    int Open(unsigned int typeIndex, int number);
    // Opens a unit in place of the open one: the new unit is opened first, and only once it is
    // open is the old one closed (which is no loss of it). 0, with nothing changed, for a type
    // index above 1 or a unit that cannot be opened: the open unit stays open and reading.
    // 1 when the unit is open, also when it was the open one already (left as it is).
    int Switch(unsigned int typeIndex, int number);
    // True when the unit is attached, whether or not it is open elsewhere (see
    // CDriverPort::IsPresent). Any thread; the channel's own state is not touched.
    bool IsUnitPresent(unsigned int typeIndex, int number) const;
    // Closes the open unit, if any. Waits (bounded) for the reader to let go of it first.
    void Close();
    bool IsOpen() const;
    // Type index and unit number of the open unit; -1 while closed.
    int GetTypeIndex() const;
    int GetNumber() const;
    // true: single framing (the default); false: split framing. Returns 1.
    int SetSingleFrameMode(bool single);
    bool IsSingleFrameMode() const { return m_singleFrame.load(); }

    // Writes a complete packet as frames, padded to 64 bytes on USB. 0 for no packet, a packet
    // that is not complete, one whose payload the framing in force cannot carry (single: more
    // than 253 bytes), or a failed write (frames already written stay sent).
    int SendPacket(const CPacket* packet);
    // Writes one frame; 1 when all count bytes were taken within 5000 ms.
    int Write(const unsigned char* bytes, int count);
    // 1 when a packet arrived (or the reader stopped reading) within the time-out.
    // A receiver waiting here, one attached, or one that waited or took a packet within the last
    // 500 ms, counts as present: while one is, a full queue makes the reader wait for it to
    // drain, as long as it has taken or waited within the last 500 ms. With none, the oldest
    // packet is dropped at once.
    int WaitPacket(std::uint32_t timeout);
    // The oldest received packet; 0 when none is waiting.
    int TakePacket(CPacket* packet);
    // Wakes a thread waiting in WaitPacket as a packet would, so that its owner can stop it.
    void InterruptWait();
    // A receiving thread that is about to take packets (attached before its thread runs, so
    // that a unit sending at once fills no queue unseen) and one that is gone. While one is
    // attached, a full queue makes the reader wait for room for as long as the receiver keeps
    // taking packets; the oldest packet is dropped only after it has taken none for 500 ms.
    void AttachReceiver();
    void DetachReceiver();
    // True once after the channel closed itself because its unit went away (a read failed with
    // error 5, the unit's end); never for Close or for the close inside Open. Every packet the
    // unit sent before it went is in the queue by the time this turns true.
    bool TakeUnitLost() { return m_unitLost.exchange(false); }
    // The unit that went away last, for as long as no other one goes; false while none has.
    bool GetLostUnit(int* typeIndex, int* number) const;
    // Programming request: 0 when the driver completed it (its verdict is then in the record's
    // result field), 2 when no unit is open, the record is malformed, or the request failed.
    // Blocks until the driver answers; ends early when the unit goes away or is closed.
    int ExecuteCommand(DeviceCommand* command);
    // Progress of the programming request in progress: 1 (value in *out), 0 failure, 2 no unit.
    int QueryProgress(int* out);

    // Where the diagnostics go; the system's debugger output when not set (or set to an empty
    // function). At most 10 diagnostics a second go out; the count below has them all.
    void SetDebugOutput(DebugOutput output);
    // Frames dropped because the framing in force refuses them (too short, longer than what
    // was read, not continuing the packet being put together), since the last unit opened. Any
    // thread.
    long long GetRefusedFrames() const { return m_refusedFrames.load(); }

    int Run() override;

private:
    using ConnectionPtr = std::shared_ptr<VxDriver::CDriverConnection>;

    ConnectionPtr GetConnection() const;
    std::unique_ptr<VxDriver::CDriverConnection> Connect(unsigned int typeIndex, int number);
    // Makes the connection the open unit; 0 for none.
    int Install(unsigned int typeIndex, int number,
                std::unique_ptr<VxDriver::CDriverConnection> connection);
    // Reader thread: takes the connection for one read, or null when the channel is closed.
    ConnectionPtr EnterRead(bool* reopened);
    void LeaveRead(ConnectionPtr* connection);
    // Closes the open unit; only if it is still the one opened as generation, unless that is
    // kAnyGeneration. unitGone: the unit went away, which TakeUnitLost then reports.
    static constexpr std::uint64_t kAnyGeneration = ~std::uint64_t{0};
    void CloseConnection(std::uint64_t generation, bool unitGone = false);
    void ReadOpenDevice(unsigned char* buffer);
    // Waits for a first frame, then takes the frames that are there already, one read each,
    // holding the connection for all of them; frames counts them. The result of the read that
    // ended the run (kErrorCancelled as well when the channel is closing).
    VxDriver::ReadResult ReadReady(VxDriver::CDriverConnection& connection, unsigned char* buffer,
                                   int* frames);
    // Puts a frame into the packet being assembled; true when that completed and queued it.
    bool ProcessFrame(unsigned char* buffer, int count);
    void WaitForRoom();
    void MarkReceiverActive();
    void WakeReader();
    // Empties the received queue; the owner's thread, while no unit is open.
    void DropReceived();
    void Debug(const char* line);
    // Reader thread: counts a refused frame and passes on its diagnostic, unless too many went
    // out lately.
    void Refuse(const char* line);
    int WriteFrames(const CPacket& packet, bool single);

    std::unique_ptr<VxDriver::CDriverPort> m_port;

    // Guards the connection, the open generation and the reader's hold on the connection.
    mutable std::mutex m_lock;
    std::condition_variable m_readerLetGo;
    ConnectionPtr m_connection;
    std::uint64_t m_generation = 0;
    bool m_readerHolds = false;
    std::uint64_t m_readerGeneration = 0;  // written by the reader under m_lock
    int m_lostTypeIndex = -1;              // the unit that went away last
    int m_lostNumber = -1;

    std::atomic<int> m_typeIndex{-1};
    std::atomic<int> m_number{-1};
    std::atomic<bool> m_singleFrame{true};
    // Mirrors of the stop and open events, so the reader tests them without a system call.
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_openFlag{false};
    std::atomic<bool> m_unitLost{false};

    Wirekit::Win32::CManualResetEvent m_stopEvent{false};
    Wirekit::Win32::CManualResetEvent m_openEvent{false};
    Wirekit::Win32::CManualResetEvent m_cancelEvent{false};
    Wirekit::Win32::CEvent m_packetEvent{nullptr, false, false};

    CPacket m_reassembly;  // reader thread only
    int m_untold = 0;      // reader thread only: packets queued since the receiver was told
    CPacketFifo m_received;

    // Lets the reader wait briefly for room while the receiver is catching up.
    std::mutex m_roomLock;
    std::condition_variable m_room;
    std::atomic<std::chrono::steady_clock::rep> m_lastReceiverActivity{0};
    std::atomic<int> m_receiversWaiting{0};
    std::atomic<bool> m_readerWaitsForRoom{false};
    std::atomic<int> m_receiversAttached{0};

    std::mutex m_debugLock;
    DebugOutput m_debugOutput;
    std::atomic<long long> m_refusedFrames{0};
    std::chrono::steady_clock::time_point m_debugWindowStart{};  // reader thread only
    int m_debugLinesInWindow = 0;                                // reader thread only
};
