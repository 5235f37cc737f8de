#pragma once
// The simulator's engine: the state of every unit and the thread that serves their sockets.
// One lock guards everything; the engine thread polls (device/driver/UnitSocket.h, on either
// system) without holding it and, after each poll,
// serves what is ready under the lock. Calls from other threads (the Simulator interface) take
// the same lock and wake the engine when they change what it polls.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/DeviceCommand.h"
#include "device/driver/UnitSocket.h"
#include "packet/Packet.h"
#include "sim/FlashModel.h"
#include "sim/Replay.h"
#include "sim/Simulator.h"

namespace vxsim {

using Clock = std::chrono::steady_clock;

// A control connection of the open host, with the request it is receiving.
struct ControlLink {
    int fd = -1;
    bool haveHead = false;
    std::uint32_t code = 0;
    std::uint32_t inLength = 0;
    std::uint32_t outLength = 0;
    std::vector<unsigned char> input;
};

// A write or verify in progress: it completes when its bytes have had their time.
struct ProgrammingJob {
    bool active = false;
    int linkFd = -1;
    DeviceCommand command;
    Clock::time_point start;
};

struct Unit {
    Unit(int typeIndex, int number, std::string path, int flashSize)
        : typeIndex(typeIndex), number(number), path(std::move(path)), flash(flashSize) {}

    int typeIndex;
    int number;
    std::string path;
    bool plugged = false;
    int listenFd = -1;
    int dataFd = -1;
    std::uint32_t token = 0;
    Framing framing = Framing::Single;
    CPacket reassembly;
    std::deque<std::vector<unsigned char>> frames;  // the newest within the frame budget
    std::size_t frameBytes = 0;                     // what they hold, by RecordedSize
    // Frames to the host that its connection has no room for yet, oldest first, and what they
    // hold; frames that would pass kOutgoingBudget are dropped and counted instead.
    std::deque<std::vector<unsigned char>> outgoing;
    std::size_t outgoingBytes = 0;
    std::uint64_t dropped = 0;
    // Programming requests received: the newest kMaxRecordedRequests heads, and the data of
    // the newest ones within the request data budget (older ones keep their data length only).
    std::deque<DeviceCommand> commands;
    std::size_t commandData = 0;    // data bytes the recorded requests still hold
    std::size_t firstWithData = 0;  // commands before this one hold no data
    std::vector<ControlLink> links;
    FlashModel flash;
    ProgrammingJob job;
    int progress = 0;
    std::uint16_t statusSequence = 0;
    int opens = 0;  // opens granted so far
    // A capture the unit plays instead of echoing and sending status packets.
    std::unique_ptr<Replay> replay;

    // Faults armed by the tests.
    bool stallArmed = false;
    std::uint32_t stallDurationMs = 0;
    Clock::time_point stallUntil{};
    bool failWrites = false;
    bool rejectNextControl = false;
    bool failNextCommand = false;
    std::int32_t failCode = 0;
    bool refuseNextOpen = false;
    int unplugAtBytes = -1;

    bool IsStalled(Clock::time_point now) const { return now < stallUntil; }
};

// Frames to one host waiting for room, at most: far more than any packet with the status packets
// of a host busy for a while, and little enough for twenty units that nobody reads.
inline constexpr std::size_t kOutgoingBudget = 256 * 1024;

// A connection that has not said hello yet.
struct PendingLink {
    int fd;
    Unit* unit;
    Clock::time_point since;
};

class Engine {
public:
    explicit Engine(std::string directory);
    ~Engine();

    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Everything below is used under mutex.
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    const std::string directory;
    std::vector<std::unique_ptr<Unit>> units;
    bool echo = true;
    std::uint32_t statusPeriodMs = 0;
    Clock::time_point nextStatus{};
    int flashSize = kDefaultFlashSize;
    int speed = kDefaultProgrammingSpeed;
    Framing defaultFraming = Framing::Single;
    std::size_t frameBudget = kDefaultFrameBudget;              // per unit
    std::size_t requestDataBudget = kDefaultRequestDataBudget;  // per unit
    std::function<void(const std::string&)> report;             // called under mutex; may be empty

    Unit* Find(int typeIndex, int number) const;
    bool Plug(Unit& unit);
    void Unplug(Unit& unit);
    // The host's data connection ends; its control connections and any job end with it.
    void CloseData(Unit& unit);
    // Frames to the host never wait under the lock: what its connection has no room for waits
    // in the unit's outgoing frames. False when the unit is not open, the frame is malformed, or
    // the host has so much unread that the frame is dropped (and counted).
    bool SendFrame(Unit& unit, const unsigned char* bytes, int count);
    // The packet in the unit's framing (or split framing when forced), padded on USB; at most
    // frameLimit frames when it is not negative. Its frames are kept or dropped together.
    bool SendPacket(Unit& unit, const CPacket& packet, bool forceSplit = false,
                    int frameLimit = -1);
    // Makes the engine poll again with what has changed.
    void Wake();
    int Progress(const Unit& unit, Clock::time_point now) const;
    // Keeps the frame and drops the oldest ones until the unit's frames fit the budget.
    void Record(Unit& unit, const unsigned char* frame, int count);
    // What a recorded frame counts against the budget: its bytes and its keeping.
    static std::size_t RecordedSize(std::size_t frameLength);
    // Keeps the request, and drops the oldest heads and data until they fit their limits.
    void RecordRequest(Unit& unit, const DeviceCommand& command);

private:
    struct Target;

    void Loop();
    void Collect(std::vector<VxSocket::PollEntry>* fds, std::vector<Target>* targets,
                 Clock::time_point now);
    int NextTimeout(Clock::time_point now) const;
    void Dispatch(const std::vector<VxSocket::PollEntry>& fds, const std::vector<Target>& targets);
    void Accept(Unit& unit);
    void Hello(int fd, Unit& unit);
    void ReadData(Unit& unit);
    void OnHostFrame(Unit& unit, const unsigned char* frame, int count);
    bool Deliver(Unit& unit, std::vector<std::vector<unsigned char>> frames);
    // Hands the host what its connection takes now.
    void Flush(Unit& unit);
    void ReadLink(Unit& unit, int fd);
    void HandleRequest(Unit& unit, ControlLink& link);
    // A host has one request at a time on a link, so its reply always has room: a link without
    // room does not read its replies and is closed.
    void Reply(Unit& unit, int fd, std::uint32_t code, std::uint32_t status,
               const unsigned char* bytes, int count);
    void ReplyRecord(Unit& unit, int fd, DeviceCommand& command, std::int32_t result);
    void CloseLink(Unit& unit, int fd);
    void RunTimers(Clock::time_point now);
    void RunJob(Unit& unit, Clock::time_point now);
    void SendStatus(Clock::time_point now);
    // Sends the replay's packets that are due, while the host has taken what went before.
    void PlayReplay(Unit& unit, Clock::time_point now);

    int m_wakeFd = -1;
    bool m_stop = false;
    std::uint64_t m_epoch = 0;  // changes whenever a descriptor is closed by anyone
    std::uint32_t m_lastToken = 0;
    std::vector<PendingLink> m_pending;
    std::thread m_thread;
};

}  // namespace vxsim
