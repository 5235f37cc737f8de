#pragma once
// The VX device simulator: serves units (USB 0-9, PCI 0-9) as sockets in a directory, the way
// the POSIX driver port expects them (device/driver/DriverProtocol.h), on its own thread.
//
// Each unit answers every complete packet from the host with the same packet (echo, on by
// default), can send status packets periodically, records every frame the host writes, and
// models the microcontroller's FLASH and fuse bytes for the programming requests. The host does
// not announce its framing, so each unit has a framing setting (single by default) that it uses
// both to read the host's frames and to frame its own; frames to the host are padded with zero
// bytes to 64 bytes on USB and sent at their exact length on PCI.
//
// Units are named by type index (0 USB, 1 PCI) and number (0-9). Every member may be called
// from any thread. Calls that name a unit that was never added return false (or nothing).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceCommand.h"
#include "device/UnitName.h"
#include "packet/Packet.h"
#include "sim/FlashModel.h"
#include "sim/Replay.h"

namespace vxsim {

class Engine;

enum class Framing { Single, Split };

// The command and payload layout of the status packets: {type index, unit number, sequence
// number low byte, high byte}.
inline constexpr unsigned char kStatusCommand = 0x53;
inline constexpr int kDefaultFlashSize = 128 * 1024;
inline constexpr int kDefaultProgrammingSpeed = 64 * 1024;  // bytes per second
// Recorded host frames a unit keeps at most, in bytes (each frame counts a little more than its
// length); the oldest go first.
inline constexpr std::size_t kDefaultFrameBudget = 8 * 1024 * 1024;
// The data of recorded programming requests a unit keeps at most, in bytes, and how many
// requests it keeps at all (their heads); the oldest go first.
inline constexpr std::size_t kDefaultRequestDataBudget = 4 * 1024 * 1024;
inline constexpr std::size_t kMaxRecordedRequests = 16384;
// The largest FLASH a unit may have: several times any real one, and small enough that every
// unit can have it.
inline constexpr int kMaxFlashSize = 16 * 1024 * 1024;

using ::ParseUnitName;
using ::UnitName;

// A programming request as one line of text: the command ("erase", "write", "lock", "fuse",
// "fuse-ex", "verify", or "command=0xNN"), the mode word, the value the command writes (0x00
// for the others), the image's address range for write and verify ("0x0000-0x1FFF", or "no
// data"), and any other field the record should have left 0 ("fuse=0x12", "reserved=0x01").
// For example "write mode=0x00 value=0x00 0x0000-0x1FFF" or "lock mode=0x01 value=0xC0".
std::string FormatRequest(const DeviceCommand& command);

class Simulator {
public:
    // Serves units in directory (which must exist) from a thread of its own.
    explicit Simulator(const std::string& directory);
    // Stops serving and removes every socket it made.
    ~Simulator();

    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    const std::string& GetDirectory() const;

    // Adds a unit and makes its socket appear. False when it exists already, the name is out of
    // range or the socket cannot be made.
    bool AddUnit(int typeIndex, int number);
    // The unit goes away: its socket is removed and its connections are closed; the host reads
    // end of file. Settings, recorded frames and FLASH stay for Plug.
    bool Unplug(int typeIndex, int number);
    bool Plug(int typeIndex, int number);
    bool IsPlugged(int typeIndex, int number) const;
    // True for a unit that was added, plugged or not.
    bool HasUnit(int typeIndex, int number) const;
    // True while a host holds the unit open.
    bool IsOpen(int typeIndex, int number) const;
    bool WaitOpen(int typeIndex, int number, bool open, std::uint32_t timeoutMs) const;
    // How many times a host has opened the unit.
    int CountOpens(int typeIndex, int number) const;
    // Units in the order added, with their state, one line each ("USB0 plugged open single"),
    // the frames a host did not take, when there were any ("... single dropped 12"), and a
    // replay's progress ("... single replay 120/200 host 3/5", Replay::Progress).
    std::vector<std::string> List() const;

    void SetFraming(int typeIndex, int number, Framing framing);
    void SetFramingAll(Framing framing);  // also for units added later
    void SetEcho(bool on);
    // Status packets to every open unit every periodMs; 0 turns them off.
    void SetStatusPeriod(std::uint32_t periodMs);
    // For units added later; also their FLASH is erased. False (nothing changed) for a size
    // below 1 or above kMaxFlashSize.
    bool SetFlashSize(int bytes);
    void SetProgrammingSpeed(int bytesPerSecond);

    // Sends a packet from the unit to the host in the unit's framing, without waiting for the
    // host: what it has no room for yet waits for it, within a budget per unit. False when the
    // unit is not open, the packet does not fit the framing, or the host has left so much unread
    // that the packet is dropped (its frames are counted, see List).
    bool SendPacket(int typeIndex, int number, const CPacket& packet);
    bool SendPacket(int typeIndex, int number, unsigned char command, const unsigned char* data,
                    int length);
    // Sends bytes as they are, as one frame (for malformed frames).
    bool SendFrame(int typeIndex, int number, const unsigned char* bytes, int count);

    // The unit plays the replay (Replay.h) instead of echoing and sending status packets: to
    // each host that opens it, from the start, and at once to one that holds it open now. A
    // replay it played before is dropped. False, with the reason in error, for a unit that was
    // never added or a packet that does not fit the unit's framing.
    bool StartReplay(int typeIndex, int number, std::unique_ptr<Replay> replay, std::string* error);
    // The unit stops at once and echoes again; false when it played no replay.
    bool StopReplay(int typeIndex, int number);

    // Frames received from the host, in order, as they came: the newest ones that fit the frame
    // budget (per unit, kDefaultFrameBudget unless set).
    std::vector<std::vector<unsigned char>> GetFrames(int typeIndex, int number) const;
    void SetFrameBudget(std::size_t bytes);
    // Where the simulator says what the host did wrong (a frame too long for any driver): one
    // line of text per call, without a line end. Called on the simulator's thread, which must
    // not call back into the simulator.
    void SetReport(std::function<void(const std::string&)> report);
    bool WaitFrames(int typeIndex, int number, std::size_t count, std::uint32_t timeoutMs) const;
    void ClearFrames(int typeIndex, int number);
    // Programming requests received, in order, as decoded: the newest kMaxRecordedRequests,
    // with their data while it fits the request data budget (per unit, kDefaultRequestDataBudget
    // unless set). An older request keeps its head, data length included, but no data.
    std::vector<DeviceCommand> GetCommands(int typeIndex, int number) const;
    void SetRequestDataBudget(std::size_t bytes);

    std::vector<unsigned char> GetFlash(int typeIndex, int number) const;
    Fuses GetFuses(int typeIndex, int number) const;

    // Fault injection. Each stays armed until it fires (or the unit is plugged again).
    // The unit stops taking the host's frames for durationMs, starting after the next frame.
    void StallWrites(int typeIndex, int number, std::uint32_t durationMs);
    // From the next frame on the unit refuses the host's writes, until it is plugged again.
    void FailWrites(int typeIndex, int number);
    // The next control request fails as a whole (as a failed DeviceIoControl).
    void RejectNextControl(int typeIndex, int number);
    // The next programming request is answered with this result code and not carried out.
    void FailNextCommand(int typeIndex, int number, std::int32_t code);
    // The next open is refused as if another host held the unit.
    void RefuseNextOpen(int typeIndex, int number);
    // Sends the first frames of a split packet and then unplugs the unit.
    bool UnplugMidPacket(int typeIndex, int number, const CPacket& packet, int frames);
    // Unplugs the unit when the write or verify in progress reaches atBytes.
    void UnplugDuringProgramming(int typeIndex, int number, int atBytes);

private:
    std::unique_ptr<Engine> m_engine;
};

}  // namespace vxsim
