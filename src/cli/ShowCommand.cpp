// show: a capture or a Tavrin log file as the log lines monitor prints, for scripts.

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "capture/TrafficFile.h"
#include "cli/Commands.h"
#include "settings/AppendFile.h"

namespace cli {

int RunShow(const std::string& path, bool milliseconds) {
    TrafficFile file;
    std::string error;
    if (!ReadTrafficFile(path, &file, &error)) {
        return Fail(kBadInput, path + ": " + error);
    }
    if (!::isatty(STDOUT_FILENO)) {
        std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    }
    for (const TrafficRecord& record : file.records) {
        if (!PrintLine(FormatTrafficLine(record, file.HasLocalTime(), milliseconds))) {
            break;
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        return Fail(kFailed, "Вывод не пишется: " + CErrorText(errno != 0 ? errno : EIO));
    }
    // The records before the cut are shown; the code says that the file did not end whole.
    if (!file.cutShort.empty()) {
        return Fail(kFailed, path + ": " + file.cutShort);
    }
    return kSuccess;
}

}  // namespace cli
