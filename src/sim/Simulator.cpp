#include "sim/Simulator.h"

namespace vxsim {

class Simulator::Engine {};

bool ParseUnitName(const std::string&, int*, int*) {
    return false;
}
std::string UnitName(int, int) {
    return {};
}
Simulator::Simulator(const std::string&) : m_engine(std::make_unique<Engine>()) {}
Simulator::~Simulator() = default;
const std::string& Simulator::GetDirectory() const {
    static std::string s;
    return s;
}
bool Simulator::AddUnit(int, int) {
    return false;
}
bool Simulator::Unplug(int, int) {
    return false;
}
bool Simulator::Plug(int, int) {
    return false;
}
bool Simulator::IsPlugged(int, int) const {
    return false;
}
bool Simulator::IsOpen(int, int) const {
    return false;
}
bool Simulator::WaitOpen(int, int, bool, std::uint32_t) const {
    return false;
}
std::vector<std::string> Simulator::List() const {
    return {};
}
void Simulator::SetFraming(int, int, Framing) {}
void Simulator::SetFramingAll(Framing) {}
void Simulator::SetEcho(bool) {}
void Simulator::SetStatusPeriod(std::uint32_t) {}
void Simulator::SetFlashSize(int) {}
void Simulator::SetProgrammingSpeed(int) {}
bool Simulator::SendPacket(int, int, const CPacket&) {
    return false;
}
bool Simulator::SendPacket(int, int, unsigned char, const unsigned char*, int) {
    return false;
}
bool Simulator::SendFrame(int, int, const unsigned char*, int) {
    return false;
}
std::vector<std::vector<unsigned char>> Simulator::GetFrames(int, int) const {
    return {};
}
bool Simulator::WaitFrames(int, int, std::size_t, std::uint32_t) const {
    return false;
}
void Simulator::ClearFrames(int, int) {}
std::vector<DeviceCommand> Simulator::GetCommands(int, int) const {
    return {};
}
std::vector<unsigned char> Simulator::GetFlash(int, int) const {
    return {};
}
Fuses Simulator::GetFuses(int, int) const {
    return {};
}
void Simulator::StallWrites(int, int, std::uint32_t) {}
void Simulator::FailWrites(int, int) {}
void Simulator::RejectNextControl(int, int) {}
bool Simulator::UnplugMidPacket(int, int, const CPacket&, int) {
    return false;
}
void Simulator::UnplugDuringProgramming(int, int, int) {}
}  // namespace vxsim
