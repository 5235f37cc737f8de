// Packets on the wire, both framings. The input is a mode byte and then either a packet (which
// must cut into frames that obey the framing and put together again into the same packet) or a
// sequence of received frames (which must assemble into what the framing's rules say, checked
// against a model kept here, and never read or write outside a frame or the packet).

#include <cstring>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "device/WireFrames.h"
#include "packet/Packet.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Payload(const CPacket& packet) {
    return Bytes(packet.GetData(), packet.GetData() + packet.GetLength());
}

// Frames the host writes for the packet, assembled again as the device channel does.
void CheckRoundTrip(const CPacket& packet, bool single, bool usb) {
    std::vector<Bytes> frames;
    bool ok = WriteWireFrames(packet, single, usb, [&frames](const unsigned char* frame, int n) {
        frames.emplace_back(frame, frame + n);
        return true;
    });
    const int length = packet.GetLength();
    if (single && length > CPacket::kMaxSinglePayload) {
        FUZZ_CHECK(!ok);
        return;
    }
    FUZZ_CHECK(ok);
    FUZZ_CHECK(frames.size() == (single ? 1u : static_cast<std::size_t>(length / 60 + 1)));
    CPacket assembled;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        Bytes& frame = frames[i];
        const int header = single ? CPacket::kSingleHeaderSize : CPacket::kSplitHeaderSize;
        const int content = single ? length : std::min(60, length - static_cast<int>(i) * 60);
        FUZZ_CHECK(frame[0] == header + content);
        FUZZ_CHECK(frame[1] == packet.GetCommand());
        FUZZ_CHECK(frame.size() == static_cast<std::size_t>(usb ? std::max(64, header + content)
                                                                : header + content));
        for (std::size_t b = header + content; b < frame.size(); ++b) {
            FUZZ_CHECK(frame[b] == 0);  // USB padding
        }
        if (single) {
            FUZZ_CHECK(assembled.AppendSingleFrame(frame.data()) == 1);
        } else {
            FUZZ_CHECK(frame[2] == frames.size() && frame[3] == i + 1);
            --frame[3];  // the wire counts from 1
            FUZZ_CHECK(assembled.AppendFrame(frame.data()) == 1);
        }
        FUZZ_CHECK(assembled.GetState() == (i + 1 == frames.size() ? Complete : Partial));
    }
    FUZZ_CHECK(assembled.GetCommand() == packet.GetCommand());
    FUZZ_CHECK(Payload(assembled) == Payload(packet));
}

void BuildAndCut(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || data[0] == 0) {
        return;
    }
    CPacket packet;
    int length = static_cast<int>(size - 1);
    FUZZ_CHECK(packet.SetPacket(data[0], data + 1, length) == (length <= 15299 ? 1 : 0));
    if (length > CPacket::kMaxSplitPayload) {
        return;
    }
    for (bool single : {true, false}) {
        for (bool usb : {true, false}) {
            CheckRoundTrip(packet, single, usb);
        }
    }
}

// What the packet must hold after each frame.
struct Model {
    int command = 0;
    int count = 0;
    int index = 0;
    Bytes payload;
};

void Receive(bool single, const std::uint8_t* data, std::size_t size) {
    CPacket packet;
    Model model;
    std::size_t at = 0;
    while (at < size) {
        // Each frame: its read length, then that many bytes, in a buffer as large as a read's.
        const int stated = data[at++];
        const int count = std::min<int>(stated, static_cast<int>(size - at));
        unsigned char frame[256] = {};
        std::memcpy(frame, data + at, static_cast<std::size_t>(count));
        at += static_cast<std::size_t>(count);
        const int header = single ? CPacket::kSingleHeaderSize : CPacket::kSplitHeaderSize;
        if (count < header || frame[0] > count) {
            continue;  // the channel refuses these before they reach the packet
        }
        const Bytes content(frame + header, frame + std::max<int>(frame[0], header));
        int appended;
        if (single) {
            appended = packet.AppendSingleFrame(frame);
            FUZZ_CHECK(appended == (frame[0] >= header ? 1 : 0));
            if (appended) {
                model =
                    Model{frame[1], frame[1] != 0 ? 1 : 0, 0, frame[1] != 0 ? content : Bytes{}};
            }
        } else {
            const bool starts = frame[0] >= header && frame[3] == 0;
            const bool continues = frame[0] >= header && frame[3] != 0 &&
                                   frame[1] == model.command && frame[3] == model.index + 1;
            appended = packet.AppendFrame(frame);
            FUZZ_CHECK(appended == (starts || continues ? 1 : 0));
            if (starts) {
                model = Model{frame[1], frame[2], 0, content};
            } else if (continues) {
                model.index = frame[3];
                model.payload.insert(model.payload.end(), content.begin(), content.end());
            }
        }
        if (appended) {
            FUZZ_CHECK(packet.GetCommand() == model.command);
            FUZZ_CHECK(Payload(packet) == model.payload);
            FUZZ_CHECK(packet.GetLength() <= packet.GetCapacity());
            const PacketState expected =
                model.command == 0 ? Empty : (model.index + 1 == model.count ? Complete : Partial);
            FUZZ_CHECK(packet.GetState() == expected);
        }
        if (packet.GetState() == Complete) {
            // A received packet is sent on as it stands (the channel frames it afresh when its
            // counters do not fit its length); its frames never reach past it.
            CPacket copy;
            FUZZ_CHECK(copy.CopyFrom(&packet) == 1);
            FUZZ_CHECK(Payload(copy) == Payload(packet));
            unsigned char out[256];
            for (int i = 0; i < packet.GetChunkCount(); ++i) {
                int length = 0;
                if (packet.GetFrame(i, out, 64, &length)) {
                    FUZZ_CHECK(length >= 4 && length <= 64 && out[0] == length);
                }
            }
            packet.Clear();  // as the channel does once the packet is queued
            model = Model{};
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    switch (data[0] % 3) {
        case 0:
            BuildAndCut(data + 1, size - 1);
            break;
        case 1:
            Receive(true, data + 1, size - 1);
            break;
        default:
            Receive(false, data + 1, size - 1);
            break;
    }
    return 0;
}
