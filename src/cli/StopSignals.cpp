#include "cli/StopSignals.h"

#include <pthread.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace cli {

CStopSignals::CStopSignals() {
    sigemptyset(&m_set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        sigaddset(&m_set, signal);
    }
    pthread_sigmask(SIG_BLOCK, &m_set, &m_previous);
}

CStopSignals::~CStopSignals() {
    // A closed output's SIGPIPE comes now, while it is blocked. Output it could not take is
    // dropped, or the exit would write it again once the mask is restored, and die of it.
    if (std::fflush(stdout) != 0 && std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::fclose(stdout);
    }
    while (Take(std::chrono::nanoseconds(0)) != 0) {
    }
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

int CStopSignals::Take(std::chrono::nanoseconds interval) {
    const auto nanos = interval.count() > 0 ? interval.count() : 0;
    const timespec wait{static_cast<time_t>(nanos / 1000000000),
                        static_cast<long>(nanos % 1000000000)};
    int taken;
    do {
        taken = sigtimedwait(&m_set, nullptr, &wait);
    } while (taken < 0 && errno == EINTR);
    return taken > 0 ? taken : 0;
}

}  // namespace cli
