#include "sim/Replay.h"

#include <algorithm>

#include "packet/Packet.h"
#include "settings/DecimalText.h"

namespace vxsim {
namespace {

// A packet later than this after its time is taken for late, not for the poll's rounding.
constexpr auto kSlack = std::chrono::milliseconds(2);
// No gap is longer than this (some years), so that no time point overflows.
constexpr double kMaxGapNanoseconds = 1e17;
// Bytes of a packet shown in a difference; longer ones are cut there.
constexpr std::size_t kShownBytes = 32;

std::vector<unsigned char> PacketBytes(unsigned char command, const unsigned char* payload,
                                       std::size_t length) {
    std::vector<unsigned char> bytes(payload != nullptr ? 1 + length : 1);
    bytes[0] = command;
    std::copy(payload, payload + (bytes.size() - 1), bytes.begin() + 1);
    return bytes;
}

std::string Shown(const std::vector<unsigned char>& bytes) {
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < std::min(bytes.size(), kShownBytes); ++i) {
        ByteToHex(bytes[i], digits);
        text += digits;
    }
    if (bytes.size() > kShownBytes) {
        text += "... (" + std::to_string(bytes.size()) + " bytes)";
    }
    return text;
}

}  // namespace

std::optional<double> ReadReplaySpeed(const std::string& text) {
    std::optional<double> speed = ReadDecimalNumber(text, 0, kMaxReplaySpeed);
    return speed && (*speed == 0 || *speed >= kMinReplaySpeed) ? speed : std::nullopt;
}

bool ReadReplayFile(const std::string& path, std::vector<TrafficRecord>* records,
                    std::string* error, std::string* note) {
    TrafficFile file;
    if (!ReadTrafficFile(path, &file, error)) {
        *error = path + ": " + *error;
        return false;
    }
    *records = std::move(file.records);
    *note = file.cutShort.empty() ? "" : path + ": " + file.cutShort;
    return true;
}

Replay::Replay(std::vector<TrafficRecord> records, ReplayOptions options)
    : m_records(std::move(records)), m_options(options) {
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        (m_records[i].sent ? m_expected : m_played).push_back(i);
    }
    m_origin = m_records.empty() ? 0 : m_records.front().time;
}

std::string Replay::CheckFraming(bool single) const {
    for (std::size_t index : m_played) {
        const std::size_t length = m_records[index].payload.size();
        if (single && length > static_cast<std::size_t>(CPacket::kMaxSinglePayload)) {
            return "capture record " + std::to_string(index + 1) + ": " + std::to_string(length) +
                   " bytes of data do not fit single framing (at most " +
                   std::to_string(CPacket::kMaxSinglePayload) +
                   "); serve the unit with split "
                   "framing";
        }
    }
    return "";
}

void Replay::Start(Clock::time_point now) {
    m_running = true;
    m_next = 0;
    m_round = 1;
    m_compared = 0;
    m_difference.clear();
    m_anchor = now;
    m_anchorTime = m_origin;
}

void Replay::Stop() {
    m_running = false;
}

Replay::Clock::time_point Replay::DueOf(std::size_t index) const {
    if (m_options.speed == 0) {
        return m_anchor;
    }
    const double gap = static_cast<double>(m_records[m_played[index]].time - m_anchorTime) * 1000 /
                       m_options.speed;
    return m_anchor + std::chrono::nanoseconds(
                          static_cast<std::int64_t>(std::clamp(gap, 0.0, kMaxGapNanoseconds)));
}

Replay::Clock::time_point Replay::NextDue() const {
    return m_running && m_next < m_played.size() ? DueOf(m_next) : Clock::time_point::max();
}

const TrafficRecord* Replay::Due(Clock::time_point now, std::size_t* recordNumber) const {
    if (NextDue() > now) {
        return nullptr;
    }
    *recordNumber = m_played[m_next] + 1;
    return &m_records[m_played[m_next]];
}

void Replay::Sent(Clock::time_point now) {
    if (now > DueOf(m_next) + kSlack) {
        m_anchor = now;
        m_anchorTime = m_records[m_played[m_next]].time;
    }
    if (++m_next == m_played.size() && m_options.loop) {
        // The next round begins as the capture did: after its first packet's gap.
        m_next = 0;
        ++m_round;
        m_anchor = now;
        m_anchorTime = m_origin;
    }
}

std::string Replay::Compare(const CPacket& packet) {
    if (!m_running || !m_difference.empty()) {
        return "";
    }
    const std::size_t number = ++m_compared;
    const std::vector<unsigned char> got =
        PacketBytes(static_cast<unsigned char>(packet.GetCommand()), packet.GetData(),
                    static_cast<std::size_t>(std::max(packet.GetLength(), 0)));
    const std::string name = "host packet " + std::to_string(number);
    if (m_expected.empty() || (!m_options.loop && number > m_expected.size())) {
        m_difference = name + ": the capture has " + std::to_string(m_expected.size()) +
                       " packets from the host, got " + Shown(got);
        return m_difference;
    }
    const std::size_t index = m_expected[(number - 1) % m_expected.size()];
    const TrafficRecord& record = m_records[index];
    const std::vector<unsigned char> expected =
        PacketBytes(record.command, record.payload.data(), record.payload.size());
    if (got == expected) {
        return "";
    }
    const auto first = std::mismatch(expected.begin(), expected.end(), got.begin(), got.end());
    m_difference = name + " (capture record " + std::to_string(index + 1) + "): expected " +
                   Shown(expected) + ", got " + Shown(got) + " (byte " +
                   std::to_string(first.first - expected.begin()) + " differs)";
    return m_difference;
}

std::string Replay::Progress() const {
    std::string text = "replay " + std::to_string(m_next) + "/" + std::to_string(m_played.size()) +
                       " host " + std::to_string(m_compared) + "/" +
                       std::to_string(m_expected.size());
    if (m_options.loop && m_round > 1) {
        text += " round " + std::to_string(m_round);
    }
    if (!m_difference.empty()) {
        text += " difference: " + m_difference;
    }
    return text;
}

}  // namespace vxsim
