#include "sim/CommandShell.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <sstream>

#include "settings/DecimalText.h"

namespace vxsim {
namespace {

const std::string kOk = "OK\n";

std::string Error(const std::string& why) {
    return "ERROR " + why + "\n";
}

bool ParseNumber(const std::string& text, long* value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    *value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && *value >= 0;
}

std::string Hex(const std::vector<unsigned char>& bytes) {
    std::string text;
    char digits[3];
    for (unsigned char byte : bytes) {
        ByteToHex(byte, digits);
        text += digits;
    }
    return text;
}

}  // namespace

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream stream(line);
    std::string word;
    while (stream >> word) {
        words.push_back(word);
    }
    return words;
}

const char* CommandShell::Help() {
    return "commands:\n"
           "  send UNIT HEX          send a packet from the unit; HEX = command byte, payload\n"
           "  frame UNIT HEX         send HEX as one raw frame, as it stands\n"
           "  unplug UNIT            the unit goes away (its socket is removed)\n"
           "  plug UNIT              the unit comes back\n"
           "  add UNIT               a new unit appears\n"
           "  framing UNIT|all single|split   the framing the unit reads and writes\n"
           "  fail UNIT CODE         the next programming request fails with result CODE\n"
           "  echo on|off            answer every packet with the same packet\n"
           "  status MS              a status packet every MS milliseconds (0: none)\n"
           "  frames UNIT            the frames received from the host, in hex\n"
           "  requests UNIT          the programming requests received, one line each\n"
           "  flash UNIT ADDR LEN    LEN bytes of FLASH from ADDR, in hex, 32 a line\n"
           "  replay UNIT FILE [SPEED] [loop]   the unit plays a capture (or a Tavrin log):\n"
           "                         its packets from the unit go to the host that opens it,\n"
           "                         spaced as recorded / SPEED (0: no gaps); the host's packets\n"
           "                         are compared with the capture's; no echo, no status\n"
           "  replay UNIT stop       stop playing; the unit echoes again\n"
           "  list                   the units and their state\n"
           "  quit                   stop the simulator\n"
           "  help                   this text\n"
           "UNIT is USB0..USB9 or PCI0..PCI9.\n";
}

std::string CommandShell::Execute(const std::string& line, bool* quit) {
    std::vector<std::string> words = SplitWords(line);
    if (words.empty()) {
        return "";
    }
    const std::string& verb = words[0];
    if (verb == "quit" || verb == "exit") {
        *quit = true;
        return kOk;
    }
    if (verb == "help") {
        return std::string(Help()) + kOk;
    }
    if (verb == "list") {
        std::string text;
        for (const std::string& unit : m_simulator.List()) {
            text += unit + "\n";
        }
        return text + kOk;
    }
    if (verb == "send" || verb == "frame") {
        return Send(words, verb == "frame");
    }
    if (verb == "unplug" || verb == "plug" || verb == "add") {
        return OnUnit(words);
    }
    if (verb == "framing") {
        return ChangeFraming(words);
    }
    if (verb == "frames") {
        return ListFrames(words);
    }
    if (verb == "requests") {
        return ListRequests(words);
    }
    if (verb == "flash") {
        return ShowFlash(words);
    }
    if (verb == "fail") {
        return FailNextCommand(words);
    }
    if (verb == "replay") {
        return StartReplay(words);
    }
    if (verb == "echo" && words.size() == 2 && (words[1] == "on" || words[1] == "off")) {
        m_simulator.SetEcho(words[1] == "on");
        return kOk;
    }
    long period = 0;
    if (verb == "status" && words.size() == 2 && ParseNumber(words[1], &period)) {
        m_simulator.SetStatusPeriod(static_cast<std::uint32_t>(period));
        return kOk;
    }
    return Error("unknown command or arguments: " + line + " (try help)");
}

std::string CommandShell::Send(const std::vector<std::string>& words, bool raw) {
    int type = 0, number = 0;
    if (words.size() != 3 || !ParseUnitName(words[1], &type, &number)) {
        return Error("usage: " + words[0] + " UNIT HEX");
    }
    const std::string& hex = words[2];
    bool sent = false;
    if (raw) {
        std::vector<unsigned char> bytes(hex.size() / 2);
        if (hex.size() % 2 != 0 || bytes.empty() ||
            !HexToBytes(hex.c_str(), bytes.data(), static_cast<int>(bytes.size()))) {
            return Error("not an even number of hexadecimal digits: " + hex);
        }
        sent = m_simulator.SendFrame(type, number, bytes.data(), static_cast<int>(bytes.size()));
    } else {
        CPacket packet;
        if (hex.size() % 2 != 0 || !packet.FromHexText(hex.c_str())) {
            return Error("not an even number of hexadecimal digits: " + hex);
        }
        sent = m_simulator.SendPacket(type, number, packet);
    }
    return sent ? kOk
                : Error(words[1] +
                        " is not open, does not read (the frames are dropped), or the packet does "
                        "not fit its framing");
}

std::string CommandShell::OnUnit(const std::vector<std::string>& words) {
    int type = 0, number = 0;
    if (words.size() != 2 || !ParseUnitName(words[1], &type, &number)) {
        return Error("usage: " + words[0] + " UNIT");
    }
    bool done = words[0] == "add"    ? m_simulator.AddUnit(type, number)
                : words[0] == "plug" ? m_simulator.Plug(type, number)
                                     : m_simulator.Unplug(type, number);
    return done ? kOk : Error("cannot " + words[0] + " " + words[1]);
}

std::string CommandShell::ChangeFraming(const std::vector<std::string>& words) {
    int type = 0, number = 0;
    if (words.size() != 3 || (words[2] != "single" && words[2] != "split") ||
        (words[1] != "all" && !ParseUnitName(words[1], &type, &number))) {
        return Error("usage: framing UNIT|all single|split");
    }
    vxsim::Framing framing = words[2] == "single" ? Framing::Single : Framing::Split;
    if (words[1] == "all") {
        m_simulator.SetFramingAll(framing);
    } else {
        m_simulator.SetFraming(type, number, framing);
    }
    return kOk;
}

std::string CommandShell::FailNextCommand(const std::vector<std::string>& words) {
    int type = 0, number = 0;
    long code = 0;
    if (words.size() != 3 || !ParseUnitName(words[1], &type, &number) ||
        !ParseNumber(words[2], &code) || code == 0 || code > INT32_MAX) {
        return Error("usage: fail UNIT CODE (CODE a result code from 1)");
    }
    m_simulator.FailNextCommand(type, number, static_cast<std::int32_t>(code));
    return kOk;
}

std::string CommandShell::StartReplay(const std::vector<std::string>& words) {
    const std::string usage =
        "usage: replay UNIT FILE [SPEED] [loop] (SPEED 0, or from 0.001 to 1000000), or replay "
        "UNIT stop";
    int type = 0, number = 0;
    if (words.size() < 3 || words.size() > 5 || !ParseUnitName(words[1], &type, &number)) {
        return Error(usage);
    }
    if (words[2] == "stop" && words.size() == 3) {
        return m_simulator.StopReplay(type, number) ? kOk : Error(words[1] + " plays no capture");
    }
    ReplayOptions options;
    for (std::size_t i = 3; i < words.size(); ++i) {
        std::optional<double> speed;
        if (words[i] == "loop" && i + 1 == words.size()) {
            options.loop = true;
        } else if (i == 3 && (speed = ReadReplaySpeed(words[i]))) {
            options.speed = *speed;
        } else {
            return Error(usage);
        }
    }
    std::vector<TrafficRecord> records;
    std::string error, note;
    if (!ReadReplayFile(words[2], &records, &error, &note)) {
        return Error(error);
    }
    if (!m_simulator.StartReplay(type, number,
                                 std::make_unique<Replay>(std::move(records), options), &error)) {
        return Error(error);
    }
    return (note.empty() ? "" : note + "\n") + kOk;
}

std::string CommandShell::ListFrames(const std::vector<std::string>& words) {
    int type = 0, number = 0;
    if (words.size() != 2 || !ParseUnitName(words[1], &type, &number)) {
        return Error("usage: frames UNIT");
    }
    std::string text;
    for (const auto& frame : m_simulator.GetFrames(type, number)) {
        text += Hex(frame) + "\n";
    }
    return text + kOk;
}

std::string CommandShell::ListRequests(const std::vector<std::string>& words) {
    int type = 0, number = 0;
    if (words.size() != 2 || !ParseUnitName(words[1], &type, &number)) {
        return Error("usage: requests UNIT");
    }
    if (!m_simulator.HasUnit(type, number)) {
        return Error("no unit " + words[1]);
    }
    std::string text;
    for (const DeviceCommand& command : m_simulator.GetCommands(type, number)) {
        text += FormatRequest(command) + "\n";
    }
    return text + kOk;
}

std::string CommandShell::ShowFlash(const std::vector<std::string>& words) {
    int type = 0, number = 0;
    unsigned long long address = 0, length = 0;
    if (words.size() != 4 || !ParseUnitName(words[1], &type, &number) ||
        !ReadWholeNumber(words[2], kMaxFlashSize, &address) ||
        !ReadWholeNumber(words[3], kMaxFlashSize, &length) || length == 0) {
        return Error("usage: flash UNIT ADDR LEN (ADDR, LEN decimal or 0x..; LEN from 1)");
    }
    if (!m_simulator.HasUnit(type, number)) {
        return Error("no unit " + words[1]);
    }
    const std::vector<unsigned char> flash = m_simulator.GetFlash(type, number);
    if (address + length > flash.size()) {
        return Error("past the end of FLASH (" + std::to_string(flash.size()) + " bytes)");
    }
    std::string text;
    constexpr unsigned long long kBytesPerLine = 32;
    for (unsigned long long at = address; at < address + length; at += kBytesPerLine) {
        const auto from = flash.begin() + static_cast<std::ptrdiff_t>(at);
        const auto count =
            static_cast<std::ptrdiff_t>(std::min(kBytesPerLine, address + length - at));
        text += Hex(std::vector<unsigned char>(from, from + count)) + "\n";
    }
    return text + kOk;
}

bool IsCompleteAnswer(const std::string& text) {
    std::size_t last = text.rfind('\n', text.size() >= 2 ? text.size() - 2 : 0);
    std::string line = text.substr(last == std::string::npos ? 0 : last + 1);
    return !text.empty() && text.back() == '\n' && (line == "OK\n" || line.rfind("ERROR", 0) == 0);
}

}  // namespace vxsim
