#pragma once
// POSIX only: a full disk without a disk, for the writers of the program's files.

#include <signal.h>
#include <sys/resource.h>

#include <cstddef>

// The process's files may not grow past a size, as if the disk were full at that point: the
// write that crosses it stops part way (EFBIG rather than a full disk's ENOSPC), and the next
// one fails. Ignores the signal that such a write raises while it is in force.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::size_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = static_cast<rlim_t>(bytes);
        m_set = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        ::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool IsSet() const { return m_set; }

private:
    rlimit m_previous{};
    sighandler_t m_handler = SIG_DFL;
    bool m_set = false;
};
