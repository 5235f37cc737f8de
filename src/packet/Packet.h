#pragma once
// The packet: a command byte and a payload, cut into wire frames and put together again in
// either framing, its hexadecimal text form, and the queue that carries received packets from
// the device channel's reader thread to the receive thread.
//
// Split framing, one frame of at most 64 bytes:
//   0 length L = 4 + chunk bytes, 1 command, 2 frame count, 3 frame number, 4.. chunk (60 bytes
//   in every frame but the last, which holds the rest, 0 to 59 bytes).
//   The frame number counts from 0 here; the device channel adds 1 on the wire.
// Single framing, the whole packet in one frame:
//   0 length L = 2 + payload length (at most 255), 1 command, 2.. payload.

#include <atomic>
#include <memory>

#include "device/wirekit/CriticalSection.h"

enum PacketState {
    Empty = 0,     // command byte 0: no packet
    Partial = 1,   // some frames of a split packet are still missing
    Complete = 2,  // command set and the last frame present
};

class CPacket {
public:
    static constexpr int kChunkSize = 60;
    static constexpr int kMaxFrameSize = 64;
    static constexpr int kSplitHeaderSize = 4;
    static constexpr int kSingleHeaderSize = 2;
    static constexpr int kMaxSplitPayload = 254 * kChunkSize + (kChunkSize - 1);  // 15299
    static constexpr int kMaxSinglePayload = 255 - kSingleHeaderSize;             // 253
    static constexpr int kGrowStep = 4096;

    explicit CPacket(unsigned char command = 0);
    virtual ~CPacket();

    // Packets are copied only through CopyFrom.
    CPacket(const CPacket&) = delete;
    CPacket& operator=(const CPacket&) = delete;

    int GetCommand() const { return m_header[1]; }
    int GetLength() const { return m_length; }
    int GetCapacity() const { return m_capacity; }
    const unsigned char* GetData() const { return m_payload.get(); }
    unsigned char* GetData() { return m_payload.get(); }
    int GetChunkCount() const { return m_header[2]; }
    int GetChunkIndex() const { return m_header[3]; }
    // Byte 0 of the frame that began a received packet; 0 for a packet built here.
    int GetFrameLength() const { return m_header[0]; }
    PacketState GetState() const;

    void Clear();
    // As Clear, but the payload buffer stays for the next packet: the channel's reassembly
    // packet takes one packet after another without an allocation each.
    void Restart();
    // A new buffer of exactly this many bytes, the payload copied over. 0 when capacity <= 0,
    // when it cannot hold the payload, or when memory runs out; the packet is then unchanged.
    int Reserve(int capacity);
    int CopyFrom(const CPacket* source);
    // Refuses (0, packet unchanged) a negative length, and a payload longer than any framing
    // can carry (more than 15299 bytes). Data may be null: the payload is then zero bytes.
    int SetPacket(unsigned char command, const unsigned char* data, int length);
    // Digit pairs without separators, either case; the first byte is the command. An odd last
    // digit is ignored. 0 and the packet unchanged when the text is not hexadecimal.
    int FromHexText(const char* text);

    // Frame index counts from 0. The output buffer must hold at least 64 bytes.
    int GetFrame(int index, unsigned char* out, int outSize, int* outLength = nullptr) const;
    int GetSingleFrame(unsigned char* out, int outSize, int* outLength = nullptr) const;
    // A split frame whose byte 3 counts from 0, at least byte 0 bytes long. Frame 0 begins a
    // new packet; a later frame must continue the packet being assembled.
    int AppendFrame(const unsigned char* frame);
    // A single frame, at least byte 0 bytes long. Every frame begins a new packet; a frame with
    // command 0 leaves the packet empty.
    int AppendSingleFrame(const unsigned char* frame);

private:
    int AppendBytes(const unsigned char* bytes, int count);

    unsigned char m_header[4] = {0, 0, 0, 0};
    std::unique_ptr<unsigned char[]> m_payload;
    int m_length = 0;
    int m_capacity = 0;
};

// A ring of N packet slots holding at most N - 1 packets; when it is full, Put drops the
// oldest. Safe between one thread that puts and another that gets.
class CPacketFifo {
public:
    CPacketFifo();
    virtual ~CPacketFifo();

    CPacketFifo(const CPacketFifo&) = delete;
    CPacketFifo& operator=(const CPacketFifo&) = delete;

    int Allocate(int count);
    // Copies the packet in. 0 when there are no slots, no packet, or the copy fails.
    int Put(const CPacket* packet);
    // Copies the oldest packet out and removes it. 0 when there are no slots, no packet, the
    // queue is empty, or the copy fails (the packet then stays queued).
    int Get(CPacket* packet);
    // Number of packets held, without taking the lock: the reader looks at it for every packet
    // it puts, the receiver for every packet it takes.
    int GetCount() const { return m_count.load(); }

private:
    std::unique_ptr<CPacket[]> m_slots;
    int m_slotCount = 0;
    int m_readIndex = 0;
    int m_writeIndex = 0;
    std::atomic<int> m_count{0};  // written under the lock
    mutable Wirekit::Win32::CCriticalSection m_lock;
};

// Two upper-case digits, high nibble first, and a NUL: out must hold 3 characters.
void ByteToHex(unsigned char byte, char* out);
// floor(strlen(text) / 2) digit pairs into out; 0 when they do not fit in outSize bytes or a
// character is not a hexadecimal digit (out may then hold the pairs before it).
int HexToBytes(const char* text, unsigned char* out, int outSize);
