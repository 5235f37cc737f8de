#include "device/driver/DriverProtocol.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "device/DeviceCommand.h"

namespace VxProtocol {

void EncodeTriple(unsigned char* out, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
    PutLe32(out, a);
    PutLe32(out + 4, b);
    PutLe32(out + 8, c);
}

void DecodeTriple(const unsigned char* in, std::uint32_t* a, std::uint32_t* b, std::uint32_t* c) {
    *a = GetLe32(in);
    *b = GetLe32(in + 4);
    *c = GetLe32(in + 8);
}

bool SendRequest(std::uint32_t code, const unsigned char* in, int inLength, int outLength,
                 const SendFunction& send) {
    std::vector<unsigned char> message(kMaxChunk);
    EncodeTriple(message.data(), code, static_cast<std::uint32_t>(inLength),
                 static_cast<std::uint32_t>(outLength));
    int used = kHeadSize;
    int sent = 0;
    do {
        int part = std::min(inLength - sent, kMaxChunk - used);
        if (part > 0) {
            std::memcpy(message.data() + used, in + sent, static_cast<std::size_t>(part));
        }
        if (!send(message.data(), used + part)) {
            return false;
        }
        sent += part;
        used = 0;
    } while (sent < inLength);
    return true;
}

int ReceiveReply(std::uint32_t code, unsigned char* out, int outLength,
                 const ReceiveFunction& receive) {
    std::vector<unsigned char> message(kMaxChunk);
    long got = receive(message.data(), kMaxChunk);
    if (got < kHeadSize) {
        return -1;
    }
    std::uint32_t replyCode = 0, status = 0, length = 0;
    DecodeTriple(message.data(), &replyCode, &status, &length);
    if (replyCode != code || status != 0 || length > static_cast<std::uint32_t>(outLength)) {
        return -1;
    }
    int total = static_cast<int>(length);
    int done = 0;
    long offset = kHeadSize;
    for (;;) {
        int part = static_cast<int>(std::min<long>(got - offset, total - done));
        if (part > 0) {
            std::memcpy(out + done, message.data() + offset, static_cast<std::size_t>(part));
            done += part;
        }
        if (done >= total) {
            return total;
        }
        got = receive(message.data(), kMaxChunk);
        if (got <= 0) {
            return -1;
        }
        offset = 0;
    }
}

}  // namespace VxProtocol
