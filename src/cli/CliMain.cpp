// tavrin-cli: the program's jobs from scripts, without a window. Exit codes: 0 success, 1 the
// device or a step failed, 2 bad usage or input.

#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "cli/Commands.h"
#include "inspect/PacketParameters.h"
#include "settings/DecimalText.h"

namespace {

using namespace cli;

void AddUnit(CLI::App& command, std::string& unit) {
    command.add_option("UNIT", unit, "USB0…USB9 или PCI0…PCI9")->required();
}

constexpr long long kMaxCount = 1000000000000LL;
constexpr double kMaxSeconds = 365.0 * 24 * 60 * 60;
constexpr long long kMaxWaitMs = 60 * 60 * 1000;

// The numeric options, taken as text and read whole after parsing, so that every refusal names
// its option (the parser's own would let "inf", "nan" or 1e30 seconds through).
struct NumberTexts {
    CLI::Option* count = nullptr;
    CLI::Option* seconds = nullptr;
    CLI::Option* waitReply = nullptr;
    CLI::Option* replyCommand = nullptr;
    std::string countText, secondsText, waitReplyText, replyCommandText;
};

CLI::App* AddMonitorCommand(CLI::App& app, MonitorOptions& options, NumberTexts& numbers) {
    CLI::App* monitor = app.add_subcommand("monitor", "печатать каждый принятый пакет");
    AddUnit(*monitor, options.unit);
    numbers.count =
        monitor->add_option("--count", numbers.countText, "закончить после N пакетов (N ≥ 1)");
    numbers.seconds = monitor->add_option("--seconds", numbers.secondsText,
                                          "закончить через S секунд (дробь можно, S > 0)");
    monitor->add_option("--log", options.log, "дописывать строки в файл журнала");
    monitor->add_option("--pcap", options.pcap, "записать пакеты в файл захвата");
    monitor->add_flag("--ms", options.milliseconds,
                      "время с миллисекундами (по умолчанию LogMilliseconds из ./Tavrin.ini)");
    return monitor;
}

CLI::App* AddSendCommand(CLI::App& app, SendOptions& options, NumberTexts& numbers) {
    CLI::App* send = app.add_subcommand("send", "отправить пакет");
    AddUnit(*send, options.unit);
    CLI::Option* hex = send->add_option("--hex", options.packet.hex,
                                        "пакет в hex: команда, данные (пробелы можно, цифр чётно)");
    CLI::Option* file = send->add_option("--file", options.packet.file, "файл с пакетами (.kad)");
    CLI::Option* key =
        send->add_option("--key", options.packet.key, "клавиша пакета: символ или 0xNN");
    send->add_option("--param", options.packet.params, "значение параметра ИМЯ=ЗНАЧЕНИЕ")
        ->allow_extra_args(false);
    numbers.waitReply = send->add_option(
        "--wait-reply", numbers.waitReplyText,
        "ждать ответ MS миллисекунд: первый принятый пакет, с --reply-command первый с этой "
        "командой");
    numbers.replyCommand =
        send->add_option("--reply-command", numbers.replyCommandText,
                         "команда ответа (hex, 01…FF); пакеты с другой командой пропускаются");
    send->add_option("--log", options.log, "дописывать строки в файл журнала");
    send->add_option("--pcap", options.pcap, "записать пакеты в файл захвата");
    hex->excludes(file);
    hex->excludes(key);
    file->needs(key);
    key->needs(file);
    return send;
}

// kSuccess with the numbers in the options, or kBadInput after the message.
int ReadNumbers(const NumberTexts& texts, MonitorOptions& monitor, SendOptions& send) {
    if (texts.count->count() > 0 &&
        !(monitor.count = ReadWholeNumber(texts.countText, 1, kMaxCount))) {
        return Fail(kBadInput,
                    "--count: нужно целое число пакетов от 1 до " + std::to_string(kMaxCount));
    }
    if (texts.seconds->count() > 0 &&
        !(monitor.seconds = ReadDecimalNumber(texts.secondsText, 0.001, kMaxSeconds))) {
        return Fail(kBadInput, "--seconds: нужно число секунд от 0.001 до " +
                                   std::to_string(static_cast<long long>(kMaxSeconds)));
    }
    if (texts.waitReply->count() > 0) {
        const std::optional<long long> ms = ReadWholeNumber(texts.waitReplyText, 0, kMaxWaitMs);
        if (!ms) {
            return Fail(kBadInput, "--wait-reply: нужно целое число миллисекунд от 0 до " +
                                       std::to_string(kMaxWaitMs));
        }
        send.waitReplyMs = static_cast<int>(*ms);
    }
    if (texts.replyCommand->count() > 0) {
        if (!(send.replyCommand = ReadCommandByte(texts.replyCommandText))) {
            return Fail(kBadInput, "--reply-command: нужен байт команды в hex, от 01 до FF");
        }
        if (!send.waitReplyMs) {
            return Fail(kBadInput, "--reply-command: нужен и --wait-reply MS");
        }
    }
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    // A file size limit (ulimit -f) makes a write fail like a full disk, which the commands
    // report, instead of killing the process in the middle of a line.
    std::signal(SIGXFSZ, SIG_IGN);
    CLI::App app{
        "tavrin-cli: устройства VX из сценариев (список, монитор, отправка, "
        "программирование, просмотр захвата)",
        "tavrin-cli"};
    app.require_subcommand(1);
    app.fallthrough();
    DeviceOptions device;
    app.add_option("--dir", device.directory,
                   "папка устройств (по умолчанию [Driver] Directory из ./Tavrin.ini, иначе /dev)");
    app.add_flag("--split", device.split,
                 "разделяемые пакеты (по умолчанию SplittablePacketMode из ./Tavrin.ini)");

    CLI::App* list = app.add_subcommand("list", "устройства: свободно или занято");

    MonitorOptions monitorOptions;
    SendOptions sendOptions;
    NumberTexts numbers;
    CLI::App* monitor = AddMonitorCommand(app, monitorOptions, numbers);
    CLI::App* send = AddSendCommand(app, sendOptions, numbers);

    CLI::App* show = app.add_subcommand("show", "показать захват или журнал строками журнала");
    std::string shownFile;
    show->add_option("FILE", shownFile, "файл захвата (pcap) или журнала Tavrin")->required();
    bool shownMilliseconds = false;
    show->add_flag("--ms", shownMilliseconds,
                   "время с миллисекундами (по умолчанию LogMilliseconds из ./Tavrin.ini)");

    CLI::App* program = app.add_subcommand("program", "программировать микроконтроллер");
    ProgramOptions programOptions;
    AddUnit(*program, programOptions.unit);
    program->add_option("--hex", programOptions.hexFile, "образ прошивки (Intel HEX)");
    program->add_flag("--erase", programOptions.erase, "стереть FLASH");
    program->add_flag("--write", programOptions.write, "записать образ");
    program->add_flag("--verify", programOptions.verify, "проверить образ");
    const char* bitNames[] = {"--lock", "--fuse", "--fuse-ex"};
    std::array<std::string, 3> bitTexts;
    const char* bitHelp[] = {"записать lock-биты N: 0…255, десятичное или 0x..",
                             "записать fuse-биты N: 0…255, десятичное или 0x..",
                             "записать расширенные fuse-биты N: 0…255, десятичное или 0x.."};
    for (std::size_t i = 0; i < std::size(bitNames); ++i) {
        program->add_option(bitNames[i], bitTexts[i], bitHelp[i]);
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

    if (const int code = ReadNumbers(numbers, monitorOptions, sendOptions); code != kSuccess) {
        return code;
    }
    if (list->parsed()) {
        return RunList(device);
    }
    if (show->parsed()) {
        return RunShow(shownFile, ResolveMilliseconds(shownMilliseconds));
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
    for (std::size_t i = 0; i < std::size(bitNames); ++i) {
        if (program->count(bitNames[i]) > 0) {
            programOptions.bitTexts[i] = bitTexts[i];
        }
    }
    return RunProgram(device, programOptions);
}
