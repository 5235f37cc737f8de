#pragma once
// The signals that end a command in order rather than kill it mid-record: Ctrl+C (SIGINT),
// SIGTERM, SIGHUP (the terminal went away) and SIGPIPE (a reader of the output went away, or
// somebody sent it). They are blocked in every thread from construction on, so the object is
// made before any thread starts (threads inherit the mask), and the owner's thread takes them
// between its checks. A write to a closed pipe then fails with EPIPE instead of killing the
// process, and the command ends as for any other stop, with its files whole.
//
// POSIX; one object per command, on the thread that runs it.

#include <signal.h>

#include <chrono>

namespace cli {

class CStopSignals {
public:
    CStopSignals();
    // Pushes standard output out and takes any of the signals still pending for this thread
    // (a SIGPIPE of its own last writes), so that none kills the process once the mask is
    // restored; then restores it.
    ~CStopSignals();

    CStopSignals(const CStopSignals&) = delete;
    CStopSignals& operator=(const CStopSignals&) = delete;

    // Waits up to the interval (0: only looks) for one of the signals; its number, or 0.
    int Take(std::chrono::nanoseconds interval);

private:
    sigset_t m_set;
    sigset_t m_previous;
};

}  // namespace cli
