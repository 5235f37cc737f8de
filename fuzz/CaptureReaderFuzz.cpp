// The capture reader: any bytes are read or refused with a message. What is read accounts for
// every byte of a file read to its end (and for fewer of one cut short), holds only packets,
// and written again by CCaptureFile reads back as the same records, whole.

#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "capture/CaptureFile.h"
#include "capture/TrafficFile.h"
#include "packet/Packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = Fuzz::ScratchPath("capture.pcap");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TrafficFile file;
    std::string error;
    if (!ParseCapture(bytes, &file, &error)) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(file.records.empty());
        return 0;
    }
    FUZZ_CHECK(file.kind == TrafficFileKind::Capture);
    std::size_t used = CCaptureFile::kFileHeaderSize;
    for (const TrafficRecord& record : file.records) {
        FUZZ_CHECK(record.command != 0);
        FUZZ_CHECK(record.payload.size() <= static_cast<std::size_t>(CPacket::kMaxSplitPayload));
        used += CCaptureFile::kRecordHeaderSize + 2 + record.payload.size();
    }
    FUZZ_CHECK(file.cutShort.empty() ? used == size : used < size);

    CCaptureFile capture;
    FUZZ_CHECK(capture.Open(path, &error));
    for (const TrafficRecord& record : file.records) {
        capture.Write(record);
    }
    capture.Close();
    FUZZ_CHECK(!capture.HasLostRecords());
    TrafficFile again;
    FUZZ_CHECK(ReadTrafficFile(path, &again, &error));
    FUZZ_CHECK(again.cutShort.empty());
    FUZZ_CHECK(again.records == file.records);
    return 0;
}
