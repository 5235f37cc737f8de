#include "device/DeviceCommand.h"

#include <cstring>

void DeviceCommand::SetData(const unsigned char* bytes, std::size_t length) {
    data.assign(bytes, bytes + length);
    dataLength = static_cast<std::uint32_t>(length);
}

void DeviceCommand::EncodeHead(unsigned char* out) const {
    const std::uint32_t fields[8] = {command,    lockBits,
                                     fuseBits,   extendedFuseBits,
                                     dataLength, static_cast<std::uint32_t>(result),
                                     mode,       reserved};
    for (int i = 0; i < 8; ++i) {
        PutLe32(out + 4 * i, fields[i]);
    }
}

bool DeviceCommand::Encode(std::vector<unsigned char>* out) const {
    out->clear();
    if (dataLength > kMaxDataLength || dataLength > data.size()) {
        return false;
    }
    out->resize(kHeadSize + dataLength);
    EncodeHead(out->data());
    if (dataLength > 0) {
        std::memcpy(out->data() + kHeadSize, data.data(), dataLength);
    }
    return true;
}

bool DeviceCommand::DecodeHead(const unsigned char* bytes, std::size_t count) {
    if (bytes == nullptr || count < static_cast<std::size_t>(kHeadSize)) {
        return false;
    }
    command = GetLe32(bytes);
    lockBits = GetLe32(bytes + 4);
    fuseBits = GetLe32(bytes + 8);
    extendedFuseBits = GetLe32(bytes + 12);
    dataLength = GetLe32(bytes + 16);
    result = static_cast<std::int32_t>(GetLe32(bytes + 20));
    mode = GetLe32(bytes + 24);
    reserved = GetLe32(bytes + 28);
    return true;
}

bool DeviceCommand::Decode(const unsigned char* bytes, std::size_t count) {
    if (bytes == nullptr || count < static_cast<std::size_t>(kHeadSize)) {
        return false;
    }
    std::uint32_t length = GetLe32(bytes + 16);
    if (length > kMaxDataLength || count - kHeadSize < length) {
        return false;
    }
    DecodeHead(bytes, count);
    data.assign(bytes + kHeadSize, bytes + kHeadSize + length);
    return true;
}
