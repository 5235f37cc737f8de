#include "packet/Packet.h"

#include <cstring>
#include <new>

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::unique_ptr<unsigned char[]> AllocateBytes(int count) {
    return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[count]());
}

}  // namespace

CPacket::CPacket(unsigned char command) {
    m_header[1] = command;
}

CPacket::~CPacket() = default;

PacketState CPacket::GetState() const {
    if (m_header[1] == 0) {
        return Empty;
    }
    return m_header[3] + 1 == m_header[2] ? Complete : Partial;
}

void CPacket::Clear() {
    m_payload.reset();
    m_length = 0;
    m_capacity = 0;
    std::memset(m_header, 0, sizeof m_header);
}

void CPacket::Restart() {
    m_length = 0;
    std::memset(m_header, 0, sizeof m_header);
}

int CPacket::Reserve(int capacity) {
    if (capacity <= 0 || capacity < m_length) {
        return 0;
    }
    auto buffer = AllocateBytes(capacity);
    if (!buffer) {
        return 0;
    }
    if (m_length > 0) {
        std::memcpy(buffer.get(), m_payload.get(), m_length);
    }
    m_payload = std::move(buffer);
    m_capacity = capacity;
    return 1;
}

int CPacket::CopyFrom(const CPacket* source) {
    if (source == nullptr) {
        return 0;
    }
    if (source == this) {
        return 1;
    }
    if (source->m_capacity > 0 && source->m_capacity == m_capacity) {
        // A buffer of the same size is used again: the queue's slots and a receiver's packet
        // take one packet after another without an allocation each.
        if (source->m_length > 0) {
            std::memcpy(m_payload.get(), source->m_payload.get(), source->m_length);
        }
    } else {
        Clear();
        if (source->m_capacity > 0) {
            auto buffer = AllocateBytes(source->m_capacity);
            if (!buffer) {
                return 0;
            }
            if (source->m_length > 0) {
                std::memcpy(buffer.get(), source->m_payload.get(), source->m_length);
            }
            m_payload = std::move(buffer);
        }
    }
    std::memcpy(m_header, source->m_header, sizeof m_header);
    m_length = source->m_length;
    m_capacity = source->m_capacity;
    return 1;
}

int CPacket::SetPacket(unsigned char command, const unsigned char* data, int length) {
    if (length < 0 || length > kMaxSplitPayload) {
        return 0;
    }
    Clear();
    int capacity = (length + kGrowStep - 1) / kGrowStep * kGrowStep;
    if (capacity > 0 && !Reserve(capacity)) {
        return 0;
    }
    if (data != nullptr && length > 0) {
        std::memcpy(m_payload.get(), data, length);
    }
    m_length = length;
    m_header[1] = command;
    m_header[2] = static_cast<unsigned char>(length / kChunkSize + 1);
    m_header[3] = static_cast<unsigned char>(length / kChunkSize);
    return 1;
}

int CPacket::FromHexText(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    std::size_t count = std::strlen(text) / 2;
    if (count == 0 || count > static_cast<std::size_t>(kMaxSplitPayload) + 1) {
        return 0;
    }
    auto bytes = AllocateBytes(static_cast<int>(count));
    if (!bytes || !HexToBytes(text, bytes.get(), static_cast<int>(count))) {
        return 0;
    }
    return SetPacket(bytes[0], bytes.get() + 1, static_cast<int>(count) - 1);
}

int CPacket::GetFrame(int index, unsigned char* out, int outSize, int* outLength) const {
    if (out == nullptr || index < 0 || index >= m_header[2] || outSize < kMaxFrameSize) {
        return 0;
    }
    int offset = kChunkSize * index;
    int count = index == m_header[2] - 1 ? m_length - offset : kChunkSize;
    // A packet whose counters disagree with its length (put together from odd frames) has no
    // such frame; never read or write past either buffer for it.
    if (count < 0 || count > kChunkSize || offset + count > m_length) {
        return 0;
    }
    std::memcpy(out, m_header, sizeof m_header);
    out[3] = static_cast<unsigned char>(index);
    out[0] = static_cast<unsigned char>(count + kSplitHeaderSize);
    if (count > 0) {
        std::memcpy(out + kSplitHeaderSize, m_payload.get() + offset, count);
    }
    if (outLength != nullptr) {
        *outLength = count + kSplitHeaderSize;
    }
    return 1;
}

int CPacket::GetSingleFrame(unsigned char* out, int outSize, int* outLength) const {
    int frameLength = m_length + kSingleHeaderSize;
    if (out == nullptr || outSize < kMaxFrameSize || frameLength > 255 || frameLength > outSize) {
        return 0;
    }
    out[0] = static_cast<unsigned char>(frameLength);
    out[1] = m_header[1];
    if (m_length > 0) {
        std::memcpy(out + kSingleHeaderSize, m_payload.get(), m_length);
    }
    if (outLength != nullptr) {
        *outLength = frameLength;
    }
    return 1;
}

int CPacket::AppendFrame(const unsigned char* frame) {
    if (frame == nullptr || frame[0] < kSplitHeaderSize) {
        return 0;
    }
    if (frame[3] == 0) {
        // A new packet: whatever a lost frame left behind must not end up in front of it.
        std::memcpy(m_header, frame, sizeof m_header);
        m_length = 0;
    } else {
        if (frame[1] != m_header[1] || frame[3] != m_header[3] + 1) {
            return 0;
        }
        m_header[3] = frame[3];
    }
    return AppendBytes(frame + kSplitHeaderSize, frame[0] - kSplitHeaderSize);
}

int CPacket::AppendSingleFrame(const unsigned char* frame) {
    if (frame == nullptr || frame[0] < kSingleHeaderSize) {
        return 0;
    }
    m_length = 0;
    if (frame[1] == 0) {
        m_header[0] = m_header[1] = m_header[2] = m_header[3] = 0;
        return 1;
    }
    m_header[0] = frame[0];
    m_header[1] = frame[1];
    m_header[2] = 1;
    m_header[3] = 0;
    return AppendBytes(frame + kSingleHeaderSize, frame[0] - kSingleHeaderSize);
}

int CPacket::AppendBytes(const unsigned char* bytes, int count) {
    if (m_length + count > m_capacity && !Reserve(m_capacity + kGrowStep)) {
        return 0;
    }
    if (count > 0) {
        std::memcpy(m_payload.get() + m_length, bytes, count);
    }
    m_length += count;
    return 1;
}

CPacketFifo::CPacketFifo() = default;

CPacketFifo::~CPacketFifo() = default;

int CPacketFifo::Allocate(int count) {
    if (count <= 0) {
        return 0;
    }
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    m_slots.reset();
    m_slotCount = 0;
    m_count.store(0);
    m_slots.reset(new (std::nothrow) CPacket[count]);
    if (!m_slots) {
        return 0;
    }
    m_readIndex = m_writeIndex = 0;
    m_slotCount = count;
    return 1;
}

int CPacketFifo::Put(const CPacket* packet) {
    if (packet == nullptr) {
        return 0;
    }
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    if (m_slotCount == 0) {
        return 0;
    }
    if (!m_slots[m_writeIndex].CopyFrom(packet)) {
        return 0;
    }
    m_writeIndex = (m_writeIndex + 1) % m_slotCount;
    if (m_writeIndex == m_readIndex) {
        m_readIndex = (m_readIndex + 1) % m_slotCount;
    } else {
        m_count.fetch_add(1);
    }
    return 1;
}

int CPacketFifo::Get(CPacket* packet) {
    if (packet == nullptr) {
        return 0;
    }
    Wirekit::Win32::CCriticalSection::Owner owner(m_lock);
    if (m_slotCount == 0 || m_readIndex == m_writeIndex) {
        return 0;
    }
    if (!packet->CopyFrom(&m_slots[m_readIndex])) {
        return 0;
    }
    m_readIndex = (m_readIndex + 1) % m_slotCount;
    m_count.fetch_sub(1);
    return 1;
}

void ByteToHex(unsigned char byte, char* out) {
    static const char kDigits[] = "0123456789ABCDEF";
    out[0] = kDigits[byte >> 4];
    out[1] = kDigits[byte & 0x0F];
    out[2] = '\0';
}

int HexToBytes(const char* text, unsigned char* out, int outSize) {
    if (text == nullptr) {
        return 0;
    }
    std::size_t count = std::strlen(text) / 2;
    if (count > static_cast<std::size_t>(outSize < 0 ? 0 : outSize)) {
        return 0;
    }
    for (std::size_t i = 0; i < count; ++i) {
        int high = HexDigitValue(text[2 * i]);
        int low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return 0;
        }
        out[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return 1;
}
