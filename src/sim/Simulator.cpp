#include "sim/Simulator.h"

#include <cstdio>
#include <type_traits>

#include "device/VXDevice.h"
#include "device/driver/UnitSocket.h"
#include "sim/SimEngine.h"

namespace vxsim {

using Lock = std::unique_lock<std::mutex>;

namespace {

std::string HexValue(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string CommandName(std::uint32_t command) {
    switch (command) {
        case DeviceCommand::EraseFlash:
            return "erase";
        case DeviceCommand::WriteData:
            return "write";
        case DeviceCommand::WriteLockBits:
            return "lock";
        case DeviceCommand::WriteFuseBits:
            return "fuse";
        case DeviceCommand::WriteFuseExBits:
            return "fuse-ex";
        case DeviceCommand::VerifyData:
            return "verify";
        default:
            return "command=" + HexValue(command);
    }
}

}  // namespace

std::string FormatRequest(const DeviceCommand& command) {
    struct Field {
        std::uint32_t code;  // the command that writes it
        const char* name;
        std::uint32_t value;
    };
    const Field fields[] = {{DeviceCommand::WriteLockBits, "lock", command.lockBits},
                            {DeviceCommand::WriteFuseBits, "fuse", command.fuseBits},
                            {DeviceCommand::WriteFuseExBits, "fuse-ex", command.extendedFuseBits}};
    std::uint32_t value = 0;
    std::string others;
    for (const Field& field : fields) {
        if (field.code == command.command) {
            value = field.value;
        } else if (field.value != 0) {
            others += std::string(" ") + field.name + "=" + HexValue(field.value);
        }
    }
    std::string line = CommandName(command.command) + " mode=" + HexValue(command.mode) +
                       " value=" + HexValue(value);
    if (command.dataLength > 0) {
        char range[32];
        std::snprintf(range, sizeof range, " 0x%04X-0x%04X", 0u, command.dataLength - 1);
        line += range;
    } else if (FlashModel::IsPaced(command.command)) {
        line += " no data";
    }
    line += others;
    if (command.reserved != 0) {
        line += " reserved=" + HexValue(command.reserved);
    }
    return line;
}

Simulator::Simulator(const std::string& directory)
    : m_engine(std::make_unique<Engine>(directory)) {}

Simulator::~Simulator() = default;

const std::string& Simulator::GetDirectory() const {
    return m_engine->directory;
}

bool Simulator::AddUnit(int typeIndex, int number) {
    if (typeIndex < 0 || typeIndex > 1 || number < 0 || number > 9) {
        return false;
    }
    Lock lock(m_engine->mutex);
    if (m_engine->Find(typeIndex, number) != nullptr) {
        return false;
    }
    std::string path =
        VxSocket::UnitPath(m_engine->directory, CVXDevice::TypeName(typeIndex), number);
    auto unit = std::make_unique<Unit>(typeIndex, number, path, m_engine->flashSize);
    unit->framing = m_engine->defaultFraming;
    if (!m_engine->Plug(*unit)) {
        return false;
    }
    m_engine->units.push_back(std::move(unit));
    return true;
}

// Runs action on the unit under the engine's lock; false when there is no such unit.
template <typename Action>
static bool WithUnit(Engine& engine, int typeIndex, int number, Action action) {
    Lock lock(engine.mutex);
    Unit* unit = engine.Find(typeIndex, number);
    if (unit == nullptr) {
        return false;
    }
    if constexpr (std::is_same_v<decltype(action(*unit)), bool>) {
        return action(*unit);
    } else {
        action(*unit);
        return true;
    }
}

bool Simulator::Unplug(int typeIndex, int number) {
    return WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) { m_engine->Unplug(unit); });
}

bool Simulator::Plug(int typeIndex, int number) {
    return WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) { return m_engine->Plug(unit); });
}

bool Simulator::IsPlugged(int typeIndex, int number) const {
    return WithUnit(*m_engine, typeIndex, number, [](Unit& unit) { return unit.plugged; });
}

bool Simulator::HasUnit(int typeIndex, int number) const {
    return WithUnit(*m_engine, typeIndex, number, [](Unit&) {});
}

bool Simulator::IsOpen(int typeIndex, int number) const {
    return WithUnit(*m_engine, typeIndex, number, [](Unit& unit) { return unit.dataFd >= 0; });
}

int Simulator::CountOpens(int typeIndex, int number) const {
    int opens = 0;
    WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) { opens = unit.opens; });
    return opens;
}

bool Simulator::WaitOpen(int typeIndex, int number, bool open, std::uint32_t timeoutMs) const {
    Lock lock(m_engine->mutex);
    return m_engine->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        Unit* unit = m_engine->Find(typeIndex, number);
        return unit != nullptr && (unit->dataFd >= 0) == open;
    });
}

std::vector<std::string> Simulator::List() const {
    Lock lock(m_engine->mutex);
    std::vector<std::string> lines;
    for (const auto& unit : m_engine->units) {
        lines.push_back(UnitName(unit->typeIndex, unit->number) +
                        (unit->plugged ? " plugged" : " unplugged") +
                        (unit->dataFd >= 0 ? " open" : " closed") +
                        (unit->framing == Framing::Single ? " single" : " split") +
                        (unit->dropped > 0 ? " dropped " + std::to_string(unit->dropped) : "") +
                        (unit->replay ? " " + unit->replay->Progress() : ""));
    }
    return lines;
}

void Simulator::SetFraming(int typeIndex, int number, Framing framing) {
    WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) {
        unit.framing = framing;
        unit.reassembly.Clear();
    });
}

void Simulator::SetFramingAll(Framing framing) {
    Lock lock(m_engine->mutex);
    m_engine->defaultFraming = framing;
    for (auto& unit : m_engine->units) {
        unit->framing = framing;
        unit->reassembly.Clear();
    }
}

void Simulator::SetEcho(bool on) {
    Lock lock(m_engine->mutex);
    m_engine->echo = on;
}

void Simulator::SetStatusPeriod(std::uint32_t periodMs) {
    Lock lock(m_engine->mutex);
    m_engine->statusPeriodMs = periodMs;
    m_engine->nextStatus = Clock::now() + std::chrono::milliseconds(periodMs);
    m_engine->Wake();
}

bool Simulator::SetFlashSize(int bytes) {
    if (bytes < 1 || bytes > kMaxFlashSize) {
        return false;
    }
    Lock lock(m_engine->mutex);
    m_engine->flashSize = bytes;
    for (auto& unit : m_engine->units) {
        unit->flash.Resize(bytes);
    }
    return true;
}

void Simulator::SetProgrammingSpeed(int bytesPerSecond) {
    Lock lock(m_engine->mutex);
    m_engine->speed = bytesPerSecond > 0 ? bytesPerSecond : 1;
    m_engine->Wake();
}

bool Simulator::SendPacket(int typeIndex, int number, const CPacket& packet) {
    return WithUnit(*m_engine, typeIndex, number,
                    [&](Unit& unit) { return m_engine->SendPacket(unit, packet); });
}

bool Simulator::SendPacket(int typeIndex, int number, unsigned char command,
                           const unsigned char* data, int length) {
    CPacket packet;
    return packet.SetPacket(command, data, length) && SendPacket(typeIndex, number, packet);
}

bool Simulator::SendFrame(int typeIndex, int number, const unsigned char* bytes, int count) {
    return WithUnit(*m_engine, typeIndex, number,
                    [&](Unit& unit) { return m_engine->SendFrame(unit, bytes, count); });
}

bool Simulator::StartReplay(int typeIndex, int number, std::unique_ptr<Replay> replay,
                            std::string* error) {
    Lock lock(m_engine->mutex);
    Unit* unit = m_engine->Find(typeIndex, number);
    if (unit == nullptr) {
        *error = "no unit " + UnitName(typeIndex, number);
        return false;
    }
    if (*error = replay->CheckFraming(unit->framing == Framing::Single); !error->empty()) {
        return false;
    }
    unit->replay = std::move(replay);
    unit->reassembly.Clear();
    if (unit->dataFd >= 0) {
        unit->replay->Start(Clock::now());
    }
    m_engine->Wake();
    return true;
}

bool Simulator::StopReplay(int typeIndex, int number) {
    return WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) {
        const bool played = unit.replay != nullptr;
        unit.replay.reset();
        m_engine->Wake();
        return played;
    });
}

std::vector<std::vector<unsigned char>> Simulator::GetFrames(int typeIndex, int number) const {
    std::vector<std::vector<unsigned char>> frames;
    WithUnit(*m_engine, typeIndex, number,
             [&](Unit& unit) { frames.assign(unit.frames.begin(), unit.frames.end()); });
    return frames;
}

void Simulator::SetRequestDataBudget(std::size_t bytes) {
    Lock lock(m_engine->mutex);
    m_engine->requestDataBudget = bytes;
}

void Simulator::SetFrameBudget(std::size_t bytes) {
    Lock lock(m_engine->mutex);
    m_engine->frameBudget = bytes;
}

void Simulator::SetReport(std::function<void(const std::string&)> report) {
    Lock lock(m_engine->mutex);
    m_engine->report = std::move(report);
}

bool Simulator::WaitFrames(int typeIndex, int number, std::size_t count,
                           std::uint32_t timeoutMs) const {
    Lock lock(m_engine->mutex);
    return m_engine->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        Unit* unit = m_engine->Find(typeIndex, number);
        return unit != nullptr && unit->frames.size() >= count;
    });
}

void Simulator::ClearFrames(int typeIndex, int number) {
    WithUnit(*m_engine, typeIndex, number, [](Unit& unit) {
        unit.frames.clear();
        unit.frameBytes = 0;
    });
}

std::vector<DeviceCommand> Simulator::GetCommands(int typeIndex, int number) const {
    std::vector<DeviceCommand> commands;
    WithUnit(*m_engine, typeIndex, number,
             [&](Unit& unit) { commands.assign(unit.commands.begin(), unit.commands.end()); });
    return commands;
}

std::vector<unsigned char> Simulator::GetFlash(int typeIndex, int number) const {
    std::vector<unsigned char> bytes;
    WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) { bytes = unit.flash.GetBytes(); });
    return bytes;
}

Fuses Simulator::GetFuses(int typeIndex, int number) const {
    Fuses fuses;
    WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) { fuses = unit.flash.GetFuses(); });
    return fuses;
}

void Simulator::StallWrites(int typeIndex, int number, std::uint32_t durationMs) {
    WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) {
        unit.stallArmed = true;
        unit.stallDurationMs = durationMs;
    });
}

void Simulator::FailWrites(int typeIndex, int number) {
    WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) {
        unit.failWrites = true;
        if (unit.dataFd >= 0) {
            VxSocket::ShutdownRead(unit.dataFd);
        }
    });
}

void Simulator::RejectNextControl(int typeIndex, int number) {
    WithUnit(*m_engine, typeIndex, number, [](Unit& unit) { unit.rejectNextControl = true; });
}

void Simulator::FailNextCommand(int typeIndex, int number, std::int32_t code) {
    WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) {
        unit.failNextCommand = true;
        unit.failCode = code;
    });
}

void Simulator::RefuseNextOpen(int typeIndex, int number) {
    WithUnit(*m_engine, typeIndex, number, [](Unit& unit) { unit.refuseNextOpen = true; });
}

bool Simulator::UnplugMidPacket(int typeIndex, int number, const CPacket& packet, int frames) {
    return WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) {
        bool sent = m_engine->SendPacket(unit, packet, true, frames);
        m_engine->Unplug(unit);
        return sent;
    });
}

void Simulator::UnplugDuringProgramming(int typeIndex, int number, int atBytes) {
    WithUnit(*m_engine, typeIndex, number, [&](Unit& unit) {
        unit.unplugAtBytes = atBytes;
        m_engine->Wake();
    });
}

}  // namespace vxsim
