#pragma once
// A capture played back by a simulated unit, standing in for the device it was taken from. The
// packets the capture holds as received from the unit go to the host that opens the unit, in
// order, spaced as recorded (the gaps divided by the speed); the packets it holds as sent by the
// host are not played but compared, in order, with what the host sends, and the first
// difference of each run is reported. Each open of the unit runs the capture from its start.
//
// A replay belongs to its unit and is used under the engine's lock. It never waits: the engine
// asks when the next packet is due and polls without the lock until then, so a stop or a quit
// ends a replay at once whatever gap it was in.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "capture/TrafficFile.h"

class CPacket;

namespace vxsim {

struct ReplayOptions {
    // The recorded gaps are divided by it; 0: no gaps, each packet as soon as the host has taken
    // the one before.
    double speed = 1;
    bool loop = false;  // after the last packet, start over
};

// A speed as typed: 0, or a decimal number from kMinReplaySpeed to kMaxReplaySpeed.
inline constexpr double kMinReplaySpeed = 0.001;
inline constexpr double kMaxReplaySpeed = 1000000;
std::optional<double> ReadReplaySpeed(const std::string& text);

// The records of the capture (or Tavrin log file) at path; false with the path and the reader's
// message in error. note: for a file cut short, the path and where it was cut; else "".
bool ReadReplayFile(const std::string& path, std::vector<TrafficRecord>* records,
                    std::string* error, std::string* note);

class Replay {
public:
    using Clock = std::chrono::steady_clock;

    Replay(std::vector<TrafficRecord> records, ReplayOptions options);

    // The first packet to play that a unit in single framing cannot send, as a line; "" when
    // there is none (or the framing is split).
    std::string CheckFraming(bool single) const;
    std::size_t CountPlayed() const { return m_played.size(); }
    std::size_t CountCompared() const { return m_expected.size(); }

    // A host has opened the unit: the capture plays from its start, the first packet after the
    // gap between the capture's first record and it.
    void Start(Clock::time_point now);
    // The host has gone: nothing plays until the next Start.
    void Stop();

    // When the next packet is due; max() when none is.
    Clock::time_point NextDue() const;
    // The next packet when it is due at now, and its record number in the capture; null when
    // none is.
    const TrafficRecord* Due(Clock::time_point now, std::size_t* recordNumber) const;
    // The packet Due gave went out at now. The gaps after a packet that went out late (the host
    // had not taken what came before, or the machine was busy) count from when it went.
    void Sent(Clock::time_point now);

    // A packet from the host, compared with the capture's next one from the host: the first
    // difference of the run as a line ("host packet 3 (capture record 7): expected ..., got
    // ..."), "" for a packet that agrees and for every packet after a difference.
    std::string Compare(const CPacket& packet);

    // For the unit's line in list: "replay 120/200 host 3/5" (packets played, and the host's
    // compared, of the capture's), with " round N" when looping and the run's difference when
    // it had one.
    std::string Progress() const;

private:
    Clock::time_point DueOf(std::size_t index) const;

    std::vector<TrafficRecord> m_records;
    std::vector<std::size_t> m_played;    // the records received from the unit, in order
    std::vector<std::size_t> m_expected;  // the records sent by the host, in order
    ReplayOptions m_options;
    std::int64_t m_origin = 0;  // the capture's first stamp

    bool m_running = false;
    std::size_t m_next = 0;         // played packets sent in this round
    std::size_t m_round = 1;        // rounds begun in this run
    std::size_t m_compared = 0;     // host packets compared in this run
    Clock::time_point m_anchor;     // the gaps count from here ...
    std::int64_t m_anchorTime = 0;  // ... and this stamp
    std::string m_difference;       // the run's first, once there was one
};

}  // namespace vxsim
