// vxsim: serves simulated VX units in a directory until "quit", Ctrl+C or SIGTERM, taking
// commands from standard input and from the control socket DIR/vxsim.ctl.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim/CommandShell.h"
#include "sim/Simulator.h"
#include "sim/VxsimOptions.h"

namespace {

using namespace vxsim;

// A source of command lines and where its answers go.
struct LineSource {
    int in;
    int out;
    std::string pending;
};

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = fd == STDOUT_FILENO
                        ? ::write(fd, text.data() + done, text.size() - done)
                        : ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A Unix stream socket at directory/vxsim.ctl, listening or connected; -1 on failure.
int ControlSocket(const std::string& directory, bool listen) {
    std::string path = directory + "/" + kControlSocketName;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    if (listen) {
        ::unlink(path.c_str());
    }
    bool ok = listen ? ::bind(fd, raw, sizeof address) == 0 && ::listen(fd, 8) == 0
                     : ::connect(fd, raw, sizeof address) == 0;
    if (!ok) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads what the source has and runs every complete line. False when the source has ended.
bool ServeLines(LineSource& source, CommandShell& shell, bool* quit) {
    char buffer[4096];
    ssize_t got = ::read(source.in, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
        return true;
    }
    if (got <= 0) {
        return false;
    }
    source.pending.append(buffer, static_cast<std::size_t>(got));
    std::size_t end;
    while (!*quit && (end = source.pending.find('\n')) != std::string::npos) {
        std::string line = source.pending.substr(0, end);
        source.pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        WriteAll(source.out, shell.Execute(line, quit));
    }
    return true;
}

void Loop(int signals, int control, bool readStdin, CommandShell& shell) {
    std::vector<LineSource> sources;
    if (readStdin) {
        sources.push_back({STDIN_FILENO, STDOUT_FILENO, {}});
    }
    bool quit = false;
    while (!quit) {
        std::vector<pollfd> fds{{signals, POLLIN, 0}, {control, POLLIN, 0}};
        for (const LineSource& source : sources) {
            fds.push_back({source.in, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            return;  // Ctrl+C, SIGTERM or SIGHUP
        }
        if (fds[1].revents != 0) {
            int client = ::accept4(control, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                sources.push_back({client, client, {}});
            }
        }
        for (std::size_t i = 2; i < fds.size() && !quit; ++i) {
            int fd = fds[i].fd;
            if (fds[i].revents == 0) {
                continue;
            }
            auto it = std::find_if(sources.begin(), sources.end(),
                                   [fd](const LineSource& s) { return s.in == fd; });
            if (!ServeLines(*it, shell, &quit)) {
                // Standard input at its end is just no longer read: vxsim keeps serving.
                if (fd != STDIN_FILENO) {
                    ::close(fd);
                }
                sources.erase(it);
            }
        }
    }
    for (const LineSource& source : sources) {
        if (source.in != STDIN_FILENO) {
            ::close(source.in);
        }
    }
}

int Serve(const VxsimOptions& options) {
    struct stat info;
    if (::stat(options.directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        std::fprintf(stderr, "vxsim: %s is not a directory\n", options.directory.c_str());
        return 1;
    }
    // Blocked before any thread starts, so that every thread leaves them to the signal file
    // and the sockets are removed whichever way vxsim is stopped.
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    int signals = ::signalfd(-1, &set, SFD_CLOEXEC);
    int control = ControlSocket(options.directory, true);
    if (signals < 0 || control < 0) {
        std::fprintf(stderr, "vxsim: cannot make the control socket in %s\n",
                     options.directory.c_str());
        return 1;
    }
    int status = 1;
    {
        Simulator simulator(options.directory);
        if (SetUpSimulator(simulator, options)) {
            CommandShell shell(simulator);
            Loop(signals, control, options.readStdin, shell);
            status = 0;
        }
    }
    ::close(control);
    ::unlink((options.directory + "/" + kControlSocketName).c_str());
    ::close(signals);
    return status;
}

// --ctl: one command to the running vxsim; its answer on standard output.
int RunClient(const VxsimOptions& options) {
    int fd = ControlSocket(options.directory, false);
    if (fd < 0) {
        std::fprintf(stderr, "vxsim: no vxsim serves %s\n", options.directory.c_str());
        return 1;
    }
    ::signal(SIGPIPE, SIG_IGN);
    WriteAll(fd, options.command + "\n");
    std::string answer;
    char buffer[4096];
    ssize_t got;
    while (!IsCompleteAnswer(answer) && (got = ::read(fd, buffer, sizeof buffer)) > 0) {
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    std::fputs(answer.c_str(), stdout);
    return IsCompleteAnswer(answer) && answer.rfind("ERROR") == std::string::npos ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    return vxsim::RunVxsim(argc, argv, Serve, RunClient);
}
