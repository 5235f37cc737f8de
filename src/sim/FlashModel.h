#pragma once
// The simulated microcontroller memory behind the programming requests: a FLASH array that
// erase sets to 0xFF and that programming can only clear bits in, and the lock, fuse and
// extended fuse bytes.

#include <cstdint>
#include <vector>

#include "device/DeviceCommand.h"

namespace vxsim {

// Result codes the simulated driver writes into a DeviceCommand's result field.
enum ResultCode : std::int32_t {
    kResultOk = 0,
    kResultUnknownCommand = 1,
    kResultImageTooLarge = 2,
    kResultVerifyMismatch = 3,
    kResultNotSupported = 4,  // extended fuse bits in ATmega103 mode
};

// Mode word bit of the ATmega103, which has no extended fuse byte.
inline constexpr std::uint32_t kModeAtMega103 = 0x01;

struct Fuses {
    std::uint32_t lockBits = 0xFF;
    std::uint32_t fuseBits = 0xFF;
    std::uint32_t extendedFuseBits = 0xFF;
};

class FlashModel {
public:
    explicit FlashModel(int size);

    // A new, erased memory of this size.
    void Resize(int size);
    const std::vector<unsigned char>& GetBytes() const { return m_bytes; }
    const Fuses& GetFuses() const { return m_fuses; }

    // True for the commands that take time in proportion to their data (write and verify).
    static bool IsPaced(std::uint32_t command);
    // Whether a write or verify may start; kResultOk or the code it fails with at once.
    std::int32_t Check(const DeviceCommand& command) const;
    // Carries the command out (a paced one once its time has passed); the result code.
    std::int32_t Execute(const DeviceCommand& command);

private:
    std::vector<unsigned char> m_bytes;
    Fuses m_fuses;
};

}  // namespace vxsim
