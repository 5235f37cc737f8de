#pragma once
// A program run as a user runs it (POSIX): pipes to its standard input and from its standard
// output and error, an optional working folder and extra environment, and its exit status.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

class CChildProcess {
public:
    // args[0] is the program's path. env: "NAME=value" entries added to the environment.
    explicit CChildProcess(std::vector<std::string> args, const std::string& workDir = {},
                           std::vector<std::string> env = {}) {
        int in[2], out[2], err[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 ||
            ::pipe2(err, O_CLOEXEC) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) {
                ::_exit(126);
            }
            for (std::string& entry : env) {
                ::putenv(entry.data());
            }
            std::vector<char*> argv;
            for (auto& arg : args) {
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        m_in = in[1];
        m_out = out[0];
        m_err = err[0];
    }
    ~CChildProcess() {
        CloseInput();
        if (m_pid > 0 && !m_exited) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        CloseOutput();
        ::close(m_err);
    }

    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // A program that has gone shows in what it answers, not here.
    void Say(const std::string& line) {
        const std::string text = line + "\n";
        [[maybe_unused]] const ssize_t written = ::write(m_in, text.data(), text.size());
    }
    void CloseInput() {
        if (m_in >= 0) {
            ::close(m_in);
            m_in = -1;
        }
    }
    // Standard output up to and including the next line that starts with marker ("" for any
    // line); what came, after "(no marker) ", when the output stalls for 3 s.
    std::string ReadUntil(const std::string& marker) {
        std::string text;
        std::size_t lineStart = 0;
        pollfd entry{m_out, POLLIN, 0};
        char c;
        while (::poll(&entry, 1, 3000) > 0 && ::read(m_out, &c, 1) == 1) {
            text += c;
            m_stdout += c;
            if (c == '\n' && text.compare(lineStart, marker.size(), marker) == 0) {
                return text;
            }
            lineStart = c == '\n' ? text.size() : lineStart;
        }
        return "(no " + marker + ") " + text;
    }
    // Waits for the exit, gathering the output meanwhile; the exit status (128 + the signal for
    // a program killed by one), or -1 when it has not ended within the time-out.
    int Wait(int timeoutMs = 5000) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!m_exited) {
            Drain(10);
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (Clock::now() >= deadline) {
                return -1;
            }
        }
        while (Drain(0)) {
        }
        return m_status;
    }
    void Signal(int signal) { ::kill(m_pid, signal); }
    // Closes the reading end of its standard output, as a reader that went away does
    // (`| head -1`); what it writes there afterwards fails.
    void CloseOutput() {
        if (m_out >= 0) {
            ::close(m_out);
            m_out = -1;
        }
    }
    pid_t Pid() const { return m_pid; }
    // Everything read so far.
    const std::string& Out() const { return m_stdout; }
    const std::string& Err() const { return m_stderr; }

private:
    // Reads what the two pipes hold, waiting up to timeoutMs for the first bytes; false when
    // nothing came.
    bool Drain(int timeoutMs) {
        pollfd entries[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        if (::poll(entries, 2, timeoutMs) <= 0) {
            return false;
        }
        bool got = false;
        char buffer[4096];
        for (int i = 0; i < 2; ++i) {
            if ((entries[i].revents & POLLIN) != 0) {
                const ssize_t n = ::read(entries[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    (i == 0 ? m_stdout : m_stderr).append(buffer, static_cast<std::size_t>(n));
                    got = true;
                }
            }
        }
        return got;
    }

    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_exited = false;
    int m_status = -1;
    std::string m_stdout;
    std::string m_stderr;
};
