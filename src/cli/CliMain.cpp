// tavrin-cli: the program's jobs from scripts, without a window. Exit codes: 0 success, 1 the
// device or a step failed, 2 bad usage or input.

#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "cli/Commands.h"

namespace {

using namespace cli;

// A bit value: decimal as the programming dialog reads it, or 0xNN.
std::optional<int> ReadBitValue(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (text.empty() || (!hex && text.find_first_not_of("-0123456789") != std::string::npos)) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(static_cast<std::uint32_t>(value));
}

struct BitOption {
    const char* name;
    std::string text;
    std::optional<int> ProgramOptions::*value;
};

void AddUnit(CLI::App& command, std::string& unit) {
    command.add_option("UNIT", unit, "USB0…USB9 или PCI0…PCI9")->required();
}

}  // namespace

int main(int argc, char** argv) {
    // A file size limit (ulimit -f) makes a write fail like a full disk, which the commands
    // report, instead of killing the process in the middle of a line.
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{
        "tavrin-cli: устройства VX из сценариев (список, монитор, отправка, "
        "программирование)",
        "tavrin-cli"};
    app.require_subcommand(1);
    app.fallthrough();
    DeviceOptions device;
    app.add_option("--dir", device.directory,
                   "папка устройств (по умолчанию [Driver] Directory из ./Tavrin.ini, иначе /dev)");
    app.add_flag("--split", device.split,
                 "разделяемые пакеты (по умолчанию SplittablePacketMode из ./Tavrin.ini)");

    CLI::App* list = app.add_subcommand("list", "устройства: свободно или занято");

    CLI::App* monitor = app.add_subcommand("monitor", "печатать каждый принятый пакет");
    MonitorOptions monitorOptions;
    AddUnit(*monitor, monitorOptions.unit);
    monitor->add_option("--count", monitorOptions.count, "закончить после N пакетов");
    monitor->add_option("--seconds", monitorOptions.seconds, "закончить через S секунд");
    monitor->add_option("--log", monitorOptions.log, "дописывать строки в файл журнала");
    monitor->add_option("--pcap", monitorOptions.pcap, "записать пакеты в файл захвата");

    CLI::App* send = app.add_subcommand("send", "отправить пакет");
    SendOptions sendOptions;
    AddUnit(*send, sendOptions.unit);
    CLI::Option* hex =
        send->add_option("--hex", sendOptions.packet.hex, "пакет в hex: команда, данные");
    CLI::Option* file =
        send->add_option("--file", sendOptions.packet.file, "файл с пакетами (.kad)");
    CLI::Option* key =
        send->add_option("--key", sendOptions.packet.key, "клавиша пакета: символ или 0xNN");
    send->add_option("--param", sendOptions.packet.params, "значение параметра ИМЯ=ЗНАЧЕНИЕ")
        ->allow_extra_args(false);
    send->add_option("--wait-reply", sendOptions.waitReplyMs, "ждать ответ MS миллисекунд");
    send->add_option("--log", sendOptions.log, "дописывать строки в файл журнала");
    send->add_option("--pcap", sendOptions.pcap, "записать пакеты в файл захвата");
    hex->excludes(file);
    hex->excludes(key);
    file->needs(key);
    key->needs(file);

    CLI::App* program = app.add_subcommand("program", "программировать микроконтроллер");
    ProgramOptions programOptions;
    AddUnit(*program, programOptions.unit);
    program->add_option("--hex", programOptions.hexFile, "образ прошивки (Intel HEX)");
    program->add_flag("--erase", programOptions.erase, "стереть FLASH");
    program->add_flag("--write", programOptions.write, "записать образ");
    program->add_flag("--verify", programOptions.verify, "проверить образ");
    BitOption bits[] = {{"--lock", {}, &ProgramOptions::lockBits},
                        {"--fuse", {}, &ProgramOptions::fuseBits},
                        {"--fuse-ex", {}, &ProgramOptions::fuseBitsEx}};
    const char* bitHelp[] = {"записать lock-биты N", "записать fuse-биты N",
                             "записать расширенные fuse-биты N"};
    for (std::size_t i = 0; i < std::size(bits); ++i) {
        program->add_option(bits[i].name, bits[i].text, bitHelp[i]);
    }
    program->add_flag("--atmega103", programOptions.atMega103, "режим AT Mega 103");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e);  // --help
        }
        return Fail(kBadInput, e.what());
    }

    if (list->parsed()) {
        return RunList(device);
    }
    if (monitor->parsed()) {
        return RunMonitor(device, monitorOptions);
    }
    if (send->parsed()) {
        if (sendOptions.packet.hex.empty() && sendOptions.packet.file.empty()) {
            return Fail(kBadInput, "send: нужен --hex или --file с --key");
        }
        return RunSend(device, sendOptions);
    }
    for (const BitOption& bit : bits) {
        if (program->count(bit.name) == 0) {
            continue;
        }
        const std::optional<int> value = ReadBitValue(bit.text);
        if (!value) {
            return Fail(kBadInput,
                        std::string(bit.name) + ": нужно число (десятичное или 0xNN): " + bit.text);
        }
        programOptions.*bit.value = value;
    }
    return RunProgram(device, programOptions);
}
