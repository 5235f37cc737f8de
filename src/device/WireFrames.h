#pragma once
// The frames one packet takes on the wire, as the host and the unit write them: split frames
// numbered from 1, and every frame shorter than 64 bytes padded with zero bytes to 64 on USB
// (written at its exact length on PCI).

#include <functional>

class CPacket;

// Receives one wire frame; false stops the writing.
using WireFrameWriter = std::function<bool(const unsigned char* frame, int length)>;

// Hands the packet's frames to write in order, at most maxFrames of them (all when negative).
// False when the packet has no such frames or write refuses one; the frames before it stay
// written.
bool WriteWireFrames(const CPacket& packet, bool single, bool usb, const WireFrameWriter& write,
                     int maxFrames = -1);
