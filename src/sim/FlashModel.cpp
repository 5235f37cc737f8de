#include "sim/FlashModel.h"

#include <algorithm>

namespace vxsim {

FlashModel::FlashModel(int size) {
    Resize(size);
}

void FlashModel::Resize(int size) {
    m_bytes.assign(static_cast<std::size_t>(std::max(size, 0)), 0xFF);
}

bool FlashModel::IsPaced(std::uint32_t command) {
    return command == DeviceCommand::WriteData || command == DeviceCommand::VerifyData;
}

std::int32_t FlashModel::Check(const DeviceCommand& command) const {
    if (command.dataLength > m_bytes.size()) {
        return kResultImageTooLarge;
    }
    return kResultOk;
}

std::int32_t FlashModel::Execute(const DeviceCommand& command) {
    switch (command.command) {
        case DeviceCommand::EraseFlash:
            std::fill(m_bytes.begin(), m_bytes.end(), 0xFF);
            return kResultOk;
        case DeviceCommand::WriteLockBits:
            m_fuses.lockBits = command.lockBits;
            return kResultOk;
        case DeviceCommand::WriteFuseBits:
            m_fuses.fuseBits = command.fuseBits;
            return kResultOk;
        case DeviceCommand::WriteFuseExBits:
            if (command.mode & kModeAtMega103) {
                return kResultNotSupported;
            }
            m_fuses.extendedFuseBits = command.extendedFuseBits;
            return kResultOk;
        case DeviceCommand::WriteData:
        case DeviceCommand::VerifyData:
            break;
        default:
            return kResultUnknownCommand;
    }
    if (std::int32_t check = Check(command); check != kResultOk) {
        return check;
    }
    for (std::uint32_t i = 0; i < command.dataLength; ++i) {
        if (command.command == DeviceCommand::WriteData) {
            m_bytes[i] &= command.data[i];  // programming only clears bits
        } else if (m_bytes[i] != command.data[i]) {
            return kResultVerifyMismatch;
        }
    }
    return kResultOk;
}

}  // namespace vxsim
