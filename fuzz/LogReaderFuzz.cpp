// The log reader: any text is read or refused with a message naming its line. What is read,
// written again as the log writes its lines, reads back as the same records (to the second,
// the log's own precision).

#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "capture/TrafficFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TrafficFile file;
    std::string error;
    if (!ParseLog(text, &file, &error)) {
        FUZZ_CHECK(error.rfind("Строка ", 0) == 0);
        FUZZ_CHECK(file.records.empty());
        return 0;
    }
    FUZZ_CHECK(file.kind == TrafficFileKind::Log);
    FUZZ_CHECK(file.cutShort.empty() || file.cutShort.rfind("Строка ", 0) == 0);
    std::string written;
    for (const TrafficRecord& record : file.records) {
        written += FormatTrafficLine(record, true) + "\r\n";
    }
    TrafficFile again;
    FUZZ_CHECK(ParseLog(written, &again, &error));
    FUZZ_CHECK(again.cutShort.empty());
    FUZZ_CHECK(again.records.size() == file.records.size());
    for (std::size_t i = 0; i < file.records.size(); ++i) {
        TrafficRecord toTheSecond = file.records[i];
        toTheSecond.time -= ((toTheSecond.time % 1000000) + 1000000) % 1000000;
        FUZZ_CHECK(again.records[i] == toTheSecond);
    }
    return 0;
}
