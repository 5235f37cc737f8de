#pragma once
// The record of the programming control request (0x222004): a 32-byte head of little-endian
// 32-bit fields followed by the data bytes of a write or verify. The same record goes in and
// comes back; the driver writes its verdict into the result field.
//
//   offset  0 command            1 erase, 2 write data, 4 lock, 8 fuse, 16 extended fuse, 32 verify
//   offset  4 lock bits          value for command 4, else 0
//   offset  8 fuse bits          value for command 8, else 0
//   offset 12 extended fuse bits value for command 16, else 0
//   offset 16 data length N      bytes after the head (commands 2 and 32), else 0
//   offset 20 result             0 when sent; the driver's verdict: 0 success, else an error code
//   offset 24 mode               programming mode word (bit 0x01: ATmega103)
//   offset 28 reserved           0
//   offset 32 data               N bytes

#include <cstddef>
#include <cstdint>
#include <vector>

struct DeviceCommand {
    static constexpr int kHeadSize = 32;
    // The largest data part the driver takes in one request.
    static constexpr std::uint32_t kMaxDataLength = 1024 * 1024;

    enum Code : std::uint32_t {
        EraseFlash = 1,
        WriteData = 2,
        WriteLockBits = 4,
        WriteFuseBits = 8,
        WriteFuseExBits = 16,
        VerifyData = 32,
    };

    std::uint32_t command = 0;
    std::uint32_t lockBits = 0;
    std::uint32_t fuseBits = 0;
    std::uint32_t extendedFuseBits = 0;
    // Number of bytes of data that travel with the record; must not exceed data.size().
    std::uint32_t dataLength = 0;
    std::int32_t result = 0;
    std::uint32_t mode = 0;
    std::uint32_t reserved = 0;
    std::vector<unsigned char> data;

    // Sets data and dataLength together.
    void SetData(const unsigned char* bytes, std::size_t length);

    // The record as the driver takes it: head, then dataLength bytes of data. False (out left
    // empty) when dataLength exceeds the data held or the driver's limit.
    bool Encode(std::vector<unsigned char>* out) const;
    // The head alone, 32 bytes into out.
    void EncodeHead(unsigned char* out) const;
    // Reads a record: false when the bytes are shorter than the head or than the head plus the
    // data length it states, or that length is above the limit. The record is then unchanged.
    bool Decode(const unsigned char* bytes, std::size_t count);
    // Reads only the head's eight fields (count must be at least 32); data is left alone.
    bool DecodeHead(const unsigned char* bytes, std::size_t count);
};

// Little-endian 32-bit values, as the driver's messages carry them.
inline void PutLe32(unsigned char* out, std::uint32_t value) {
    out[0] = static_cast<unsigned char>(value);
    out[1] = static_cast<unsigned char>(value >> 8);
    out[2] = static_cast<unsigned char>(value >> 16);
    out[3] = static_cast<unsigned char>(value >> 24);
}

inline std::uint32_t GetLe32(const unsigned char* in) {
    return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
           static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}
