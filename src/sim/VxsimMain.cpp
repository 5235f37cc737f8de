// vxsim: serves simulated VX units in a directory until "quit", Ctrl+C or SIGTERM, taking
// commands from standard input and from the control socket DIR/vxsim.ctl.

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "device/VXDevice.h"
#include "device/driver/UnitSocket.h"
#include "sim/CommandShell.h"
#include "sim/LineBuffer.h"
#include "sim/Simulator.h"
#include "sim/VxsimOptions.h"

namespace {

using namespace vxsim;
using Clock = std::chrono::steady_clock;

// A client that sends a command while more than this of its earlier answers is unread is
// dropped: it does not read, and vxsim will not keep its answers for ever.
constexpr std::size_t kMaxUnread = 1024 * 1024;
// Control connections open at once, at most (fewer under a low descriptor limit).
constexpr rlim_t kMaxControlClients = 64;
// How long the answers still unread may take to go out once vxsim quits.
constexpr auto kLastAnswersTime = std::chrono::seconds(1);

// A source of command lines (standard input, a control client) and where its answers go.
// Nothing here waits for a client: answers wait in unread until its connection takes them.
struct LineSource {
    LineSource(int in, int out) : in(in), out(out) {}

    int in;
    int out;
    LineBuffer lines;
    std::string unread;  // answers not yet taken, from sent on
    std::size_t sent = 0;
    bool reading = true;   // false once its input has ended or is refused
    bool dropped = false;  // done with: closed at the end of the turn

    bool IsStandard() const { return in == STDIN_FILENO; }
    bool HasUnread() const { return sent < unread.size(); }
};

// The --ctl client's whole command, to a connection that blocks.
bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
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

std::string ControlPath(const std::string& directory) {
    return directory + "/" + kControlSocketName;
}

// A Unix stream socket connected to directory/vxsim.ctl; -1 on failure.
int ConnectControl(const std::string& directory) {
    std::string path = ControlPath(directory);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Another vxsim's sockets are never taken over, and what is not a socket is never removed: 2
// with a message when the folder holds either where vxsim would make its sockets.
int CheckFolder(const VxsimOptions& options) {
    std::vector<std::pair<std::string, int>> paths{{ControlPath(options.directory), SOCK_STREAM}};
    for (const UnitOption& unit : options.units) {
        paths.emplace_back(
            VxSocket::UnitPath(options.directory, CVXDevice::TypeName(unit.typeIndex), unit.number),
            SOCK_SEQPACKET);
    }
    for (const auto& [path, type] : paths) {
        VxSocket::PathUse use = VxSocket::ExaminePath(path, type);
        if (use == VxSocket::PathUse::kLive) {
            std::fprintf(stderr, "vxsim: папка уже обслуживается: %s (%s is in use)\n",
                         options.directory.c_str(), path.c_str());
            return 2;
        }
        if (use == VxSocket::PathUse::kOther) {
            std::fprintf(stderr, "vxsim: %s is not a socket; vxsim leaves it alone and stops\n",
                         path.c_str());
            return 2;
        }
    }
    return 0;
}

// How many control connections may be open at once: a few for people and scripts, and never
// so many that the units run out of descriptors.
std::size_t MaxControlClients() {
    rlimit limit{};
    rlim_t files = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
    return static_cast<std::size_t>(std::clamp<rlim_t>(files / 4, 1, kMaxControlClients));
}

// Takes the connections waiting on the control socket; those past the limit are told so and
// closed.
void AcceptClients(int control, std::vector<LineSource>& sources) {
    static const std::size_t limit = MaxControlClients();
    int client;
    while ((client = VxSocket::Accept(control)) >= 0) {
        std::size_t clients = static_cast<std::size_t>(
            std::count_if(sources.begin(), sources.end(),
                          [](const LineSource& source) { return !source.IsStandard(); }));
        if (clients < limit) {
            sources.emplace_back(client, client);
            continue;
        }
        std::string refusal = "ERROR too many control connections (at most " +
                              std::to_string(limit) + "): try again later\n";
        static_cast<void>(
            ::send(client, refusal.data(), refusal.size(), MSG_DONTWAIT | MSG_NOSIGNAL));
        ::close(client);
    }
}

// Hands the source's connection what it takes without waiting. Standard output may be a pipe
// that blocks: it gets at most PIPE_BUF bytes at a time, and only when it has room for them.
void Flush(LineSource& source) {
    while (source.HasUnread() && !source.dropped) {
        const char* data = source.unread.data() + source.sent;
        std::size_t count = source.unread.size() - source.sent;
        ssize_t n;
        if (source.IsStandard()) {
            pollfd room{source.out, POLLOUT, 0};
            if (::poll(&room, 1, 0) <= 0 || (room.revents & POLLOUT) == 0) {
                break;
            }
            n = ::write(source.out, data, std::min<std::size_t>(count, PIPE_BUF));
        } else {
            n = ::send(source.out, data, count, MSG_DONTWAIT | MSG_NOSIGNAL);
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        }
        if (n <= 0) {
            source.dropped = true;  // gone: nobody reads its answers any more
            break;
        }
        source.sent += static_cast<std::size_t>(n);
    }
    if (!source.HasUnread()) {
        source.unread.clear();
        source.sent = 0;
        // A client that has said all it had to say goes once it has its answers.
        source.dropped = source.dropped || (!source.reading && !source.IsStandard());
    }
}

// Runs the complete lines the source has sent.
void RunLines(LineSource& source, CommandShell& shell, bool* quit) {
    std::string line;
    while (!*quit && !source.dropped && source.lines.Next(&line)) {
        if (source.unread.size() - source.sent > kMaxUnread) {
            source.dropped = true;
            return;
        }
        source.unread += shell.Execute(line, quit);
    }
    if (source.lines.IsOverlong()) {
        source.unread += "ERROR line longer than " + std::to_string(LineBuffer::kMaxLine) +
                         " bytes: no more commands are read from here\n";
        source.reading = false;
    }
}

// Reads what the source has (without waiting) and runs its complete lines.
void ReadCommands(LineSource& source, CommandShell& shell, bool* quit) {
    char buffer[65536];
    ssize_t got = ::read(source.in, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
        return;
    }
    if (got <= 0) {
        // Standard input at its end is just no longer read: vxsim keeps serving.
        source.reading = false;
        return;
    }
    source.lines.Append(buffer, static_cast<std::size_t>(got));
    RunLines(source, shell, quit);
}

void CloseSource(const LineSource& source) {
    if (!source.IsStandard()) {
        ::close(source.in);
    }
}

// The answers still unread get a last chance to go out, the "OK" to a quit among them.
void FlushLastAnswers(std::vector<LineSource>& sources) {
    auto deadline = Clock::now() + kLastAnswersTime;
    for (;;) {
        std::vector<pollfd> fds;
        for (LineSource& source : sources) {
            Flush(source);
            if (source.HasUnread() && !source.dropped) {
                fds.push_back({source.out, POLLOUT, 0});
            }
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (fds.empty() || left.count() <= 0) {
            return;
        }
        ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
    }
}

void Loop(int signals, int control, bool readStdin, CommandShell& shell) {
    std::vector<LineSource> sources;
    if (readStdin) {
        sources.emplace_back(STDIN_FILENO, STDOUT_FILENO);
    }
    bool quit = false;
    while (!quit) {
        // Per source: its input while it is read, its output while answers wait.
        std::vector<pollfd> fds{{signals, POLLIN, 0}, {control, POLLIN, 0}};
        std::vector<std::size_t> owners;
        for (std::size_t i = 0; i < sources.size(); ++i) {
            if (sources[i].reading) {
                fds.push_back({sources[i].in, POLLIN, 0});
                owners.push_back(i);
            }
            if (sources[i].HasUnread()) {
                fds.push_back({sources[i].out, POLLOUT, 0});
                owners.push_back(i);
            }
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            break;  // Ctrl+C, SIGTERM or SIGHUP
        }
        if (fds[1].revents != 0) {
            AcceptClients(control, sources);
        }
        for (std::size_t k = 2; k < fds.size() && !quit; ++k) {
            LineSource& source = sources[owners[k - 2]];
            if (fds[k].revents == 0 || source.dropped) {
                continue;
            }
            if (fds[k].events == POLLIN) {
                ReadCommands(source, shell, &quit);
            }
            Flush(source);
        }
        // Standard input that has ended stays, for the answers it may still have unread.
        for (LineSource& source : sources) {
            if (source.dropped) {
                CloseSource(source);
            }
        }
        std::erase_if(sources, [](const LineSource& source) { return source.dropped; });
    }
    FlushLastAnswers(sources);
    for (const LineSource& source : sources) {
        CloseSource(source);
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
    if (int refused = CheckFolder(options)) {
        return refused;
    }
    int signals = ::signalfd(-1, &set, SFD_CLOEXEC);
    int control = VxSocket::ListenAt(ControlPath(options.directory), SOCK_STREAM, 8);
    if (signals < 0 || control < 0) {
        std::fprintf(stderr, "vxsim: cannot make the control socket in %s\n",
                     options.directory.c_str());
        return 1;
    }
    int status = 1;
    try {
        Simulator simulator(options.directory);
        if (SetUpSimulator(simulator, options)) {
            CommandShell shell(simulator);
            Loop(signals, control, options.readStdin, shell);
            status = 0;
        }
    } catch (const std::bad_alloc&) {
        // The units made so far are gone with the simulator; the control socket goes below.
        std::fprintf(stderr, "vxsim: not enough memory for the units (a FLASH of %d bytes each)\n",
                     options.flashSize);
        status = 2;
    }
    ::close(control);
    ::unlink(ControlPath(options.directory).c_str());
    ::close(signals);
    return status;
}

// --ctl: one command to the running vxsim; its answer on standard output.
int RunClient(const VxsimOptions& options) {
    int fd = ConnectControl(options.directory);
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
