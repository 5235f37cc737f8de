#pragma once
// The simulator's command language, shared by vxsim's standard input and its control socket.
// One command per line; the answer is zero or more lines followed by "OK" or "ERROR <why>".

#include <string>
#include <vector>

#include "sim/Simulator.h"

namespace vxsim {

class CommandShell {
public:
    explicit CommandShell(Simulator& simulator) : m_simulator(simulator) {}

    // Runs one command line; the answer's lines, each ending in "\n". Sets quit for "quit".
    std::string Execute(const std::string& line, bool* quit);

    static const char* Help();

private:
    std::string Send(const std::vector<std::string>& words, bool raw);
    std::string OnUnit(const std::vector<std::string>& words);
    std::string ChangeFraming(const std::vector<std::string>& words);
    std::string ListFrames(const std::vector<std::string>& words);
    std::string ListRequests(const std::vector<std::string>& words);
    std::string ShowFlash(const std::vector<std::string>& words);
    std::string FailNextCommand(const std::vector<std::string>& words);
    std::string StartReplay(const std::vector<std::string>& words);

    Simulator& m_simulator;
};

// True when text holds a whole answer: it ends with an "OK" or "ERROR ..." line.
bool IsCompleteAnswer(const std::string& text);

// Splits a line at spaces and tabs.
std::vector<std::string> SplitWords(const std::string& line);

}  // namespace vxsim
