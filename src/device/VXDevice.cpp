#include "device/VXDevice.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "device/WireFrames.h"

using Wirekit::Win32::kInfinite;
using Wirekit::Win32::kWaitObject0;
using Wirekit::Win32::WaitForAny;

namespace {

// How long Close waits for the reader thread to let go of the connection. The reader leaves
// its read as soon as the cancel event is set, so this bound is only reached if it is stuck.
constexpr auto kReleaseTimeout = std::chrono::seconds(2);
// Pause after a read failure that repeats, so that a failing unit cannot make the reader spin.
constexpr Wirekit::Win32::Milliseconds kRetryPauseMs = 20;
// How often a reader waiting for room in a full queue looks whether the receiver is still
// taking packets, and how long after its last wait or take a receiver counts as gone.
constexpr auto kRoomGrace = std::chrono::milliseconds(50);
constexpr auto kReceiverIdle = std::chrono::milliseconds(500);
// A reader waiting for room goes on once the queue has drained to this many packets, so that
// reader and receiver take turns in batches rather than wake each other for every packet.
constexpr int kRoomMark = CVXDevice::kQueueSlots / 2 - 1;
// The reader takes every frame that is ready when it wakes and tells the receiver once, when
// no more are ready. A long run of frames that fills the queue meanwhile is told by
// WaitForRoom, before the reader waits for the receiver to make room: every wake-up of the
// receiver then finds a queue full or a batch complete, never a few packets of a burst.
// After a wake-up that found fewer frames than kBusyBatch and then none ready, the reader lets
// the next ones gather this long before it waits again: steady traffic (19,000 frames a second
// at USB full speed) then costs a wake-up of the reader and one of the receiver a millisecond,
// not one of each per frame. The frames wait in the driver meanwhile; Close and the
// destructor cut the pause short. Under heavier traffic the reader reads on without a pause.
constexpr Wirekit::Win32::Milliseconds kGatherMs = 1;
constexpr int kBusyBatch = 32;
// At most this many diagnostics of refused frames go out in each such period.
constexpr auto kDebugWindow = std::chrono::seconds(1);
constexpr int kDebugLinesPerWindow = 10;

}  // namespace

CVXDevice::CVXDevice(const std::string& directory)
    : CVXDevice(VxDriver::CreateSystemDriverPort(directory)) {}

CVXDevice::CVXDevice(std::unique_ptr<VxDriver::CDriverPort> port) : m_port(std::move(port)) {
    m_received.Allocate(kQueueSlots);
    m_cancelEvent.Reset();
    CThread::Start();
}

CVXDevice::~CVXDevice() {
    Close();
    m_stopping.store(true);
    WakeReader();
    m_stopEvent.Set();
    Join();
}

const char* CVXDevice::TypeName(int typeIndex) {
    switch (typeIndex) {
        case 0:
            return "USB";
        case 1:
            return "PCI";
        default:
            return nullptr;
    }
}

bool CVXDevice::IsUnitPresent(unsigned int typeIndex, int number) const {
    const char* type = typeIndex <= 1 ? TypeName(static_cast<int>(typeIndex)) : nullptr;
    return type != nullptr && m_port->IsPresent(type, number);
}

int CVXDevice::Open(unsigned int typeIndex, int number) {
    if (typeIndex > 1) {
        return 0;
    }
    if (IsOpen()) {
        Close();
    }
    return Install(typeIndex, number, Connect(typeIndex, number));
}

int CVXDevice::Switch(unsigned int typeIndex, int number) {
    if (typeIndex > 1) {
        return 0;
    }
    if (GetTypeIndex() == static_cast<int>(typeIndex) && GetNumber() == number) {
        return 1;
    }
    std::unique_ptr<VxDriver::CDriverConnection> connection = Connect(typeIndex, number);
    if (!connection) {
        return 0;
    }
    Close();
    return Install(typeIndex, number, std::move(connection));
}

std::unique_ptr<VxDriver::CDriverConnection> CVXDevice::Connect(unsigned int typeIndex,
                                                                int number) {
    return m_port ? m_port->Open(TypeName(static_cast<int>(typeIndex)), number) : nullptr;
}

int CVXDevice::Install(unsigned int typeIndex, int number,
                       std::unique_ptr<VxDriver::CDriverConnection> connection) {
    if (!connection) {
        return 0;
    }
    m_cancelEvent.Reset();
    DropReceived();
    m_refusedFrames.store(0);  // no reader runs now: Close waited for it to let go
    {
        std::lock_guard<std::mutex> lock(m_lock);
        // Before the connection shows: a reader that finds the unit gone at once names it.
        m_typeIndex.store(static_cast<int>(typeIndex));
        m_number.store(number);
        m_connection = std::move(connection);
        ++m_generation;  // the reader empties its reassembly packet for the new unit
    }
    m_openFlag.store(true);
    m_openEvent.Set();
    return 1;
}

bool CVXDevice::GetLostUnit(int* typeIndex, int* number) const {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_lostTypeIndex < 0) {
        return false;
    }
    *typeIndex = m_lostTypeIndex;
    *number = m_lostNumber;
    return true;
}

void CVXDevice::Close() {
    CloseConnection(kAnyGeneration);
}

void CVXDevice::CloseConnection(std::uint64_t generation, bool unitGone) {
    std::unique_lock<std::mutex> lock(m_lock);
    if (!m_connection || (generation != kAnyGeneration && generation != m_generation)) {
        return;
    }
    if (unitGone) {
        m_lostTypeIndex = m_typeIndex.load();
        m_lostNumber = m_number.load();
        m_unitLost.store(true);  // under the lock: whoever sees the channel closed sees the loss
    }
    ConnectionPtr connection = std::move(m_connection);
    m_openFlag.store(false);
    WakeReader();
    m_openEvent.Reset();
    m_cancelEvent.Set();
    connection->Shutdown();
    // The handshake that makes closing safe: the reader signals once it has left its read and
    // dropped its hold on the connection. Only then does the handle go.
    m_readerLetGo.wait_for(lock, kReleaseTimeout, [this] { return !m_readerHolds; });
    lock.unlock();
    // Closes the handle, unless a control request on another thread still uses it; it then goes
    // when that request returns (it fails, as the connection has been shut down).
    connection.reset();
}

bool CVXDevice::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_connection != nullptr;
}

int CVXDevice::GetTypeIndex() const {
    return IsOpen() ? m_typeIndex.load() : -1;
}

int CVXDevice::GetNumber() const {
    return IsOpen() ? m_number.load() : -1;
}

int CVXDevice::SetSingleFrameMode(bool single) {
    m_singleFrame.store(single);
    return 1;
}

CVXDevice::ConnectionPtr CVXDevice::GetConnection() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_connection;
}

int CVXDevice::SendPacket(const CPacket* packet) {
    if (packet == nullptr || packet->GetState() != Complete) {
        return 0;
    }
    bool single = m_singleFrame.load();
    int length = packet->GetLength();
    if (length > (single ? CPacket::kMaxSinglePayload : CPacket::kMaxSplitPayload)) {
        return 0;
    }
    if (single || packet->GetChunkCount() == length / CPacket::kChunkSize + 1) {
        return WriteFrames(*packet, single);
    }
    // A received packet whose counters do not match its payload: frame it afresh.
    CPacket fresh;
    if (!fresh.SetPacket(static_cast<unsigned char>(packet->GetCommand()), packet->GetData(),
                         length)) {
        return 0;
    }
    return WriteFrames(fresh, single);
}

int CVXDevice::WriteFrames(const CPacket& packet, bool single) {
    bool usb = m_typeIndex.load() == 0;
    auto write = [this](const unsigned char* frame, int length) { return Write(frame, length); };
    return WriteWireFrames(packet, single, usb, write) ? 1 : 0;
}

int CVXDevice::Write(const unsigned char* bytes, int count) {
    if (bytes == nullptr || count <= 0) {
        return 0;
    }
    ConnectionPtr connection = GetConnection();
    if (!connection) {
        return 0;
    }
    return connection->Write(bytes, count, kWriteTimeout) == count ? 1 : 0;
}

int CVXDevice::WaitPacket(std::uint32_t timeout) {
    ++m_receiversWaiting;
    int result = 0;
    try {
        result = m_packetEvent.Wait(timeout) ? 1 : 0;
    } catch (...) {
        result = 0;
    }
    MarkReceiverActive();
    --m_receiversWaiting;
    return result;
}

void CVXDevice::InterruptWait() {
    m_packetEvent.Set();
}

void CVXDevice::AttachReceiver() {
    MarkReceiverActive();
    ++m_receiversAttached;
}

void CVXDevice::DetachReceiver() {
    --m_receiversAttached;
}

void CVXDevice::MarkReceiverActive() {
    m_lastReceiverActivity.store(std::chrono::steady_clock::now().time_since_epoch().count());
}

void CVXDevice::DropReceived() {
    CPacket old;
    while (m_received.Get(&old)) {
    }
}

int CVXDevice::TakePacket(CPacket* packet) {
    if (packet == nullptr || !m_received.Get(packet)) {
        return 0;
    }
    MarkReceiverActive();
    // A reader waiting for the queue to drain this far is woken once; otherwise nothing is
    // locked or signalled for the packet.
    if (m_received.GetCount() <= kRoomMark && m_readerWaitsForRoom.exchange(false)) {
        WakeReader();
    }
    return 1;
}

void CVXDevice::WakeReader() {
    // The lock orders this after a reader's look at the queue; the reader is woken after it is
    // let go, so that it does not wake only to wait for the lock.
    { std::lock_guard<std::mutex> lock(m_roomLock); }
    m_room.notify_all();
}

void CVXDevice::WaitForRoom() {
    if (m_received.GetCount() < kQueueSlots - 1) {
        return;
    }
    // A receiver that is waiting for packets or taking them, but lags behind a burst (it was
    // not scheduled for a while, or its disk is slow), is waited for as long as it keeps taking;
    // the unit's frames wait in the driver meanwhile. Only a receiver that has taken nothing for
    // kReceiverIdle, or none at all, costs the oldest packet.
    auto receiverGone = [this] {
        const auto lastActivity = std::chrono::steady_clock::time_point(
            std::chrono::steady_clock::duration(m_lastReceiverActivity.load()));
        return std::chrono::steady_clock::now() - lastActivity > kReceiverIdle;
    };
    if (m_receiversWaiting.load() == 0 && m_receiversAttached.load() == 0 && receiverGone()) {
        return;
    }
    do {
        // The receiver may not have heard of this batch yet. Told before the lock is taken: a
        // receiver woken by it finds the lock free when it makes room.
        m_packetEvent.Set();
        m_untold = 0;
        std::unique_lock<std::mutex> lock(m_roomLock);
        // Set before the count is looked at, as TakePacket takes a packet before it looks at
        // this: either the reader sees the room, or the receiver sees the reader waiting.
        m_readerWaitsForRoom.store(true);
        const bool room = m_room.wait_for(lock, kRoomGrace, [this] {
            return m_received.GetCount() <= kRoomMark || !m_openFlag.load() || m_stopping.load();
        });
        m_readerWaitsForRoom.store(false);
        if (room) {
            return;
        }
    } while (!receiverGone());
}

int CVXDevice::ExecuteCommand(DeviceCommand* command) {
    ConnectionPtr connection = GetConnection();
    if (!connection || command == nullptr) {
        return 2;
    }
    std::vector<unsigned char> record;
    if (!command->Encode(&record)) {
        return 2;  // its data length promises more bytes than it holds
    }
    unsigned char head[DeviceCommand::kHeadSize];
    int got = connection->Control(VxDriver::kIoctlProgram, record.data(),
                                  static_cast<int>(record.size()), head, sizeof head, m_stopEvent);
    if (got != DeviceCommand::kHeadSize) {
        return 2;
    }
    command->result = static_cast<std::int32_t>(GetLe32(head + 20));
    return 0;
}

int CVXDevice::QueryProgress(int* out) {
    ConnectionPtr connection = GetConnection();
    if (!connection) {
        return 2;
    }
    unsigned char value[4];
    if (out == nullptr || connection->Control(VxDriver::kIoctlProgress, nullptr, 0, value,
                                              sizeof value, m_stopEvent) != 4) {
        return 0;
    }
    *out = static_cast<int>(GetLe32(value));
    return 1;
}

void CVXDevice::SetDebugOutput(DebugOutput output) {
    std::lock_guard<std::mutex> lock(m_debugLock);
    m_debugOutput = std::move(output);
}

void CVXDevice::Refuse(const char* line) {
    m_refusedFrames.fetch_add(1);
    // A unit in the other framing has every frame refused, thousands a second: the count says
    // how many, and the diagnostics stop at a few a second rather than flood the debugger output
    // (a slow system call on Windows, made on the reader thread).
    const auto now = std::chrono::steady_clock::now();
    if (now - m_debugWindowStart >= kDebugWindow) {
        m_debugWindowStart = now;
        m_debugLinesInWindow = 0;
    }
    if (m_debugLinesInWindow < kDebugLinesPerWindow) {
        ++m_debugLinesInWindow;
        Debug(line);
    }
}

void CVXDevice::Debug(const char* line) {
    std::lock_guard<std::mutex> lock(m_debugLock);
    if (m_debugOutput) {
        m_debugOutput(line);
    } else {
        VxDriver::WriteDebugOutput(line);
    }
}

int CVXDevice::Run() {
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kReadSize]);
    if (!buffer) {
        return 1;  // without a read buffer the channel never reads
    }
    try {
        for (;;) {
            if (m_stopping.load() || m_stopEvent.Wait(0)) {
                return 0;
            }
            std::uint32_t which = WaitForAny({&m_stopEvent, &m_openEvent}, kInfinite);
            if (which == kWaitObject0) {
                return 0;
            }
            if (which != kWaitObject0 + 1) {
                continue;
            }
            ReadOpenDevice(buffer.get());
            m_packetEvent.Set();  // the receiving thread looks whether the unit is still open
        }
    } catch (...) {
        return 0;
    }
}

CVXDevice::ConnectionPtr CVXDevice::EnterRead(bool* reopened) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_connection) {
        return nullptr;
    }
    *reopened = m_generation != m_readerGeneration;
    m_readerGeneration = m_generation;
    m_readerHolds = true;
    return m_connection;
}

void CVXDevice::LeaveRead(ConnectionPtr* connection) {
    std::lock_guard<std::mutex> lock(m_lock);
    connection->reset();
    m_readerHolds = false;
    m_readerLetGo.notify_all();
}

VxDriver::ReadResult CVXDevice::ReadReady(VxDriver::CDriverConnection& connection,
                                          unsigned char* buffer, int* frames) {
    for (;;) {
        VxDriver::ReadResult result = connection.Read(buffer, kReadSize, m_cancelEvent, m_stopEvent,
                                                      *frames == 0 ? kInfinite : 0);
        if (result.bytes <= 0) {
            return result;
        }
        ++*frames;
        ProcessFrame(buffer, result.bytes);
        if (m_stopping.load() || !m_openFlag.load()) {
            return {0, VxDriver::kErrorCancelled};  // the connection is let go at once
        }
    }
}

void CVXDevice::ReadOpenDevice(unsigned char* buffer) {
    int failures = 0;
    m_untold = 0;
    while (!m_stopping.load() && m_openFlag.load()) {
        bool reopened = false;
        ConnectionPtr connection = EnterRead(&reopened);
        if (!connection) {
            break;
        }
        if (reopened) {
            m_reassembly.Clear();
        }
        int batch = 0;
        VxDriver::ReadResult result = ReadReady(*connection, buffer, &batch);
        LeaveRead(&connection);
        if (batch > 0) {
            failures = 0;
        }
        // Nothing more is ready (or the read ended otherwise): the receiver hears of the
        // packets once, before any loss of the unit is reported.
        if (m_untold > 0) {
            m_packetEvent.Set();
            m_untold = 0;
        }
        if (result.error == VxDriver::kErrorTimeout) {
            if (batch < kBusyBatch) {
                WaitForAny({&m_stopEvent, &m_cancelEvent}, kGatherMs);
            }
        } else if (result.error == VxDriver::kErrorGone) {
            // Only this unit: the owner may have opened another one since.
            CloseConnection(m_readerGeneration, true);
            return;
        } else if (result.error != VxDriver::kErrorCancelled && ++failures > 1) {
            // The same failure again: read again, but after a pause the owner can cut short.
            WaitForAny({&m_stopEvent, &m_cancelEvent}, kRetryPauseMs);
        }
    }
    // Packets still untold are told by Run, which wakes the receiver whenever reading ends.
}

bool CVXDevice::ProcessFrame(unsigned char* buffer, int count) {
    bool single = m_singleFrame.load();
    int headerSize = single ? CPacket::kSingleHeaderSize : CPacket::kSplitHeaderSize;
    if (count < headerSize) {
        Refuse("ERROR - Buffer size < pack header\r\n");
        return false;
    }
    if (buffer[0] > count) {
        Refuse("ERROR - Pack size in header\r\n");
        return false;
    }
    int appended;
    if (single) {
        appended = m_reassembly.AppendSingleFrame(buffer);
    } else {
        --buffer[3];  // the wire counts frames from 1
        appended = m_reassembly.AppendFrame(buffer);
    }
    if (!appended) {
        Refuse("ERROR - append packet\r\n");
        return false;
    }
    if (m_reassembly.GetState() != Complete) {
        return false;
    }
    WaitForRoom();
    m_received.Put(&m_reassembly);
    ++m_untold;
    m_reassembly.Restart();
    return true;
}
