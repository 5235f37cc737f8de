#pragma once
// Runs tavrin-cli as a user would, against a simulator serving a temporary folder.

#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <string>
#include <vector>

#include "sim/Simulator.h"
#include "support/ChildProcess.h"
#include "support/PacketBytes.h"
#include "support/TempFiles.h"

// A finished run of tavrin-cli.
struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

inline CliResult RunCli(std::vector<std::string> args, const std::string& workDir = {},
                        int timeoutMs = 10000) {
    args.insert(args.begin(), CLI_PATH);
    CChildProcess cli(std::move(args), workDir);
    CliResult result;
    result.code = cli.Wait(timeoutMs);
    result.out = cli.Out();
    result.err = cli.Err();
    return result;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// A log line without its time stamp, which must be there: "[DD.MM.YYYY hh:mm:ss] - ", or
// "[DD.MM.YYYY hh:mm:ss.mmm] - ".
inline std::string WithoutStamp(const std::string& line) {
    const std::string shape = line.size() > 20 && line[20] == '.' ? "[00.00.0000 00:00:00.000] - "
                                                                  : "[00.00.0000 00:00:00] - ";
    bool matches = line.size() >= shape.size();
    for (std::size_t i = 0; matches && i < shape.size(); ++i) {
        matches = shape[i] == '0' ? line[i] >= '0' && line[i] <= '9' : line[i] == shape[i];
    }
    return matches ? line.substr(shape.size()) : "(no stamp) " + line;
}

// A message on standard error is one line from tavrin-cli.
inline ::testing::AssertionResult IsOneLineMessage(const std::string& err) {
    if (err.rfind("tavrin-cli: ", 0) != 0 || err.empty() || err.back() != '\n' ||
        err.find('\n') != err.size() - 1) {
        return ::testing::AssertionFailure() << "not one message line: \"" << err << "\"";
    }
    return ::testing::AssertionSuccess();
}

// The records of a capture file: direction, command, payload as hex; "error" when unreadable.
inline std::vector<std::string> ReadCapture(const std::string& path, int* linkType = nullptr) {
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* capture = pcap_open_offline(path.c_str(), error);
    if (capture == nullptr) {
        return {std::string("error: ") + error};
    }
    if (linkType != nullptr) {
        *linkType = pcap_datalink(capture);
    }
    std::vector<std::string> records;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    int got;
    while ((got = pcap_next_ex(capture, &header, &data)) == 1) {
        std::vector<unsigned char> bytes(data, data + header->caplen);
        records.push_back(HexOf(bytes));
    }
    if (got != PCAP_ERROR_BREAK) {
        records.push_back("error: cut short");
    }
    pcap_close(capture);
    return records;
}

class CliTest : public ::testing::Test {
protected:
    CliTest() : m_units(UnitDirectory(m_dir)), m_sim(m_units) {}

    // tavrin-cli with --dir naming the simulator's folder.
    CliResult Run(std::vector<std::string> args, int timeoutMs = 10000) {
        args.insert(args.begin(), {"--dir", m_units});
        return RunCli(std::move(args), m_dir.Path().string(), timeoutMs);
    }
    std::string Source(const std::string& relative) { return SourcePath(relative).string(); }
    std::string Scratch(const std::string& name) { return (m_dir.Path() / name).string(); }

    TempDir m_dir;
    std::string m_units;
    vxsim::Simulator m_sim;
};
