// vxsim on Windows: serves simulated VX units as named pipes under a prefix (--dir
// \\.\pipe\vx\ gives \\.\pipe\vx\VXUSB0 ...) until "quit", Ctrl+C or Ctrl+Break, taking
// commands from standard input and from the control pipe PREFIX vxsim.ctl.

#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "device/driver/UnitSocket.h"
#include "device/wirekit/Event.h"
#include "device/wirekit/WindowsApi.h"
#include "sim/CommandShell.h"
#include "sim/LineBuffer.h"
#include "sim/Simulator.h"
#include "sim/VxsimOptions.h"

namespace {

using namespace vxsim;

// The command sources share one shell; after quit no command runs any more, so that the
// simulator can go while a source thread is still blocked reading.
class Server {
public:
    explicit Server(CommandShell& shell) : m_shell(shell) {}

    // The answer to one line; empty once vxsim is quitting. The caller passes on the answer
    // before it calls Quit for a "quit".
    std::string Execute(const std::string& line, bool* quit) {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_quitting ? std::string() : m_shell.Execute(line, quit);
    }
    void Quit() { m_quit.Set(); }
    void WaitForQuit() {
        m_quit.Wait(Wirekit::Win32::kInfinite);
        std::lock_guard<std::mutex> lock(m_lock);
        m_quitting = true;
    }

private:
    CommandShell& m_shell;
    std::mutex m_lock;
    bool m_quitting = false;
    Wirekit::Win32::CManualResetEvent m_quit{false};
};

Server* g_server = nullptr;  // for the console's Ctrl+C handler

BOOL WINAPI OnConsoleControl(DWORD) {
    if (g_server != nullptr) {
        g_server->Quit();
    }
    return TRUE;
}

std::string ControlPipeName(const std::string& prefix) {
    bool ends = !prefix.empty() && (prefix.back() == '\\' || prefix.back() == '/');
    return prefix + (ends ? "" : "\\") + kControlSocketName;
}

// Runs the lines read from source (until it ends) and writes each answer with write. True when
// the last line was "quit": the caller makes sure its answer has gone, then quits.
template <typename Read, typename Write>
bool ServeLines(Server& server, Read read, Write write) {
    LineBuffer lines;
    std::string line;
    char buffer[4096];
    long got;
    while ((got = read(buffer, sizeof buffer)) > 0) {
        lines.Append(buffer, static_cast<std::size_t>(got));
        while (lines.Next(&line)) {
            bool quit = false;
            std::string answer = server.Execute(line, &quit);
            if (answer.empty() || !write(answer) || quit) {
                return quit;
            }
        }
        if (lines.IsOverlong()) {
            write("ERROR line longer than " + std::to_string(LineBuffer::kMaxLine) +
                  " bytes: no more commands are read from here\n");
            return false;  // not a command source
        }
    }
    return false;
}

// One control client at a time on the control pipe, for as long as vxsim runs.
void ServeControlPipe(Server& server, const std::string& name) {
    for (;;) {
        HANDLE pipe = ::CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                         PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            return;
        }
        if (::ConnectNamedPipe(pipe, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED) {
            auto read = [pipe](char* buffer, std::size_t size) -> long {
                DWORD got = 0;
                return ::ReadFile(pipe, buffer, static_cast<DWORD>(size), &got, nullptr)
                           ? static_cast<long>(got)
                           : -1;
            };
            auto write = [pipe](const std::string& text) {
                DWORD written = 0;
                return ::WriteFile(pipe, text.data(), static_cast<DWORD>(text.size()), &written,
                                   nullptr) &&
                       written == text.size();
            };
            bool quit = ServeLines(server, read, write);
            ::FlushFileBuffers(pipe);  // the client has read the last answer
            ::DisconnectNamedPipe(pipe);
            if (quit) {
                server.Quit();
            }
        }
        ::CloseHandle(pipe);
    }
}

void ServeStandardInput(Server& server) {
    auto read = [](char* buffer, std::size_t size) -> long {
        if (!std::cin.getline(buffer, static_cast<std::streamsize>(size - 1))) {
            return -1;
        }
        std::size_t length = std::char_traits<char>::length(buffer);
        buffer[length] = '\n';
        return static_cast<long>(length + 1);
    };
    auto write = [](const std::string& text) {
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0;
    };
    if (ServeLines(server, read, write)) {
        server.Quit();
    }
}

int Serve(const VxsimOptions& options) {
    if (!VxSocket::IsPipePrefix(options.directory)) {
        std::fprintf(stderr, "vxsim: %s is no pipe prefix (such as \\\\.\\pipe\\vx\\)\n",
                     options.directory.c_str());
        return 1;
    }
    auto simulator = std::make_unique<Simulator>(options.directory);
    if (!SetUpSimulator(*simulator, options)) {
        return 1;
    }
    CommandShell shell(*simulator);
    Server server(shell);
    g_server = &server;
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    // The source threads may stay blocked in a read until the process ends; they run no
    // command once vxsim is quitting.
    std::thread(ServeControlPipe, std::ref(server), ControlPipeName(options.directory)).detach();
    if (options.readStdin) {
        std::thread(ServeStandardInput, std::ref(server)).detach();
    }
    server.WaitForQuit();
    simulator.reset();  // its pipes close: the hosts read that their units are gone
    std::fflush(stdout);
    // Ends without destroying what the blocked source threads still refer to.
    std::_Exit(0);
}

// --ctl: one command to the running vxsim; its answer on standard output.
int RunClient(const VxsimOptions& options) {
    std::string name = ControlPipeName(options.directory);
    HANDLE pipe = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_PIPE_BUSY &&
        ::WaitNamedPipeA(name.c_str(), 2000)) {
        pipe = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             0, nullptr);
    }
    if (pipe == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "vxsim: no vxsim serves %s\n", options.directory.c_str());
        return 1;
    }
    std::string line = options.command + "\n";
    DWORD count = 0;
    std::string answer;
    if (::WriteFile(pipe, line.data(), static_cast<DWORD>(line.size()), &count, nullptr)) {
        char buffer[4096];
        while (!IsCompleteAnswer(answer) &&
               ::ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) {
            answer.append(buffer, count);
        }
    }
    ::CloseHandle(pipe);
    std::fputs(answer.c_str(), stdout);
    return IsCompleteAnswer(answer) && answer.rfind("ERROR") == std::string::npos ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return vxsim::RunVxsim(argc, argv, Serve, RunClient);
}
