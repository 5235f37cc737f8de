#include "device/WireFrames.h"

#include <algorithm>
#include <cstring>

#include "packet/Packet.h"

bool WriteWireFrames(const CPacket& packet, bool single, bool usb, const WireFrameWriter& write,
                     int maxFrames) {
    int count = single ? 1 : packet.GetChunkCount();
    if (maxFrames >= 0) {
        count = std::min(count, maxFrames);
    }
    unsigned char frame[256];
    for (int i = 0; i < count; ++i) {
        std::memset(frame, 0, sizeof frame);
        int length = 0;
        int ok = single ? packet.GetSingleFrame(frame, sizeof frame, &length)
                        : packet.GetFrame(i, frame, CPacket::kMaxFrameSize, &length);
        if (!ok) {
            return false;
        }
        if (!single) {
            ++frame[3];  // the wire counts frames from 1
        }
        if (usb && length < CPacket::kMaxFrameSize) {
            length = CPacket::kMaxFrameSize;  // the rest is already zero
        }
        if (!write(frame, length)) {
            return false;
        }
    }
    return true;
}
