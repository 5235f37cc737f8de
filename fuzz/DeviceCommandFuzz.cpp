// The programming record: any bytes decode or are refused without a change; what decodes
// encodes back to the bytes it came from.

#include <cstring>
#include <vector>

#include "FuzzCheck.h"
#include "device/DeviceCommand.h"

namespace {

bool SameRecord(const DeviceCommand& a, const DeviceCommand& b) {
    return a.command == b.command && a.lockBits == b.lockBits && a.fuseBits == b.fuseBits &&
           a.extendedFuseBits == b.extendedFuseBits && a.dataLength == b.dataLength &&
           a.result == b.result && a.mode == b.mode && a.reserved == b.reserved && a.data == b.data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DeviceCommand before;
    before.command = DeviceCommand::VerifyData;
    const unsigned char marker[3] = {1, 2, 3};
    before.SetData(marker, sizeof marker);

    DeviceCommand record;
    record.command = before.command;
    record.SetData(marker, sizeof marker);
    if (!record.Decode(data, size)) {
        FUZZ_CHECK(SameRecord(record, before));
        FUZZ_CHECK(size < DeviceCommand::kHeadSize ||
                   GetLe32(data + 16) > DeviceCommand::kMaxDataLength ||
                   GetLe32(data + 16) > size - DeviceCommand::kHeadSize);
        return 0;
    }
    FUZZ_CHECK(size >= DeviceCommand::kHeadSize);
    FUZZ_CHECK(record.dataLength <= DeviceCommand::kMaxDataLength);
    FUZZ_CHECK(record.data.size() == record.dataLength);
    std::vector<unsigned char> encoded;
    FUZZ_CHECK(record.Encode(&encoded));
    FUZZ_CHECK(encoded.size() == DeviceCommand::kHeadSize + record.dataLength);
    FUZZ_CHECK(std::memcmp(encoded.data(), data, encoded.size()) == 0);

    unsigned char head[DeviceCommand::kHeadSize];
    record.EncodeHead(head);
    FUZZ_CHECK(std::memcmp(head, data, sizeof head) == 0);
    DeviceCommand headOnly;
    FUZZ_CHECK(headOnly.DecodeHead(data, size));
    FUZZ_CHECK(headOnly.data.empty() && headOnly.dataLength == record.dataLength);
    return 0;
}
