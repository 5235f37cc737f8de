#include "app/TrafficStore.h"

#include <cstring>
#include <new>

namespace {

// A line's head: time (8 bytes), payload length (2), command (1), flags (1); then the payload.
// Stored without padding and read with memcpy, so a line takes no more than its bytes.
constexpr std::size_t kHeadSize = 12;
constexpr unsigned char kSentFlag = 0x01;

}  // namespace

CTrafficStore::CTrafficStore() = default;
CTrafficStore::~CTrafficStore() = default;

CTrafficStore::CTrafficStore(CTrafficStore&& other) noexcept
    : m_blocks(std::move(other.m_blocks)),
      m_head(other.m_head),
      m_count(other.m_count),
      m_blockBytesHint(other.m_blockBytesHint) {
    other.Clear();
}

CTrafficStore& CTrafficStore::operator=(CTrafficStore&& other) noexcept {
    if (this != &other) {
        m_blocks = std::move(other.m_blocks);
        m_head = other.m_head;
        m_count = other.m_count;
        m_blockBytesHint = other.m_blockBytesHint;
        other.Clear();
    }
    return *this;
}

CTrafficStore::Block& CTrafficStore::BlockForAppend() {
    if (m_blocks.empty() || m_blocks.back().starts.size() == kBlockLines) {
        if (!m_blocks.empty()) {
            // A full block takes no more than its lines; the next one starts at its size, so
            // steady traffic fills blocks without growing them.
            Block& full = m_blocks.back();
            full.bytes.shrink_to_fit();
            m_blockBytesHint = full.bytes.size();
        }
        Block block;
        block.starts.reserve(kBlockLines);
        block.bytes.reserve(m_blockBytesHint);
        m_blocks.push_back(std::move(block));
    }
    return m_blocks.back();
}

bool CTrafficStore::Append(const TrafficLine& line) {
    if (line.length < 0 || line.length > kMaxPayload ||
        (line.length > 0 && line.payload == nullptr)) {
        return false;
    }
    try {
        Block& block = BlockForAppend();
        const std::size_t start = block.bytes.size();
        block.bytes.resize(start + kHeadSize + static_cast<std::size_t>(line.length));
        unsigned char* out = block.bytes.data() + start;
        const auto length = static_cast<std::uint16_t>(line.length);
        std::memcpy(out, &line.time, sizeof line.time);
        std::memcpy(out + 8, &length, sizeof length);
        out[10] = line.command;
        out[11] = line.sent ? kSentFlag : 0;
        if (line.length > 0) {
            std::memcpy(out + kHeadSize, line.payload, static_cast<std::size_t>(line.length));
        }
        // starts has room for the whole block: this cannot throw.
        block.starts.push_back(static_cast<std::uint32_t>(start));
    } catch (const std::bad_alloc&) {
        // A block made for this line stays, empty; bytes resized nothing when resize threw.
        return false;
    }
    ++m_count;
    return true;
}

std::size_t CTrafficStore::AppendAll(const CTrafficStore& other) {
    std::size_t added = 0;
    for (std::size_t i = 0; i < other.GetCount(); ++i) {
        if (!Append(other.GetLine(i))) {
            break;
        }
        ++added;
    }
    return added;
}

void CTrafficStore::DropOldest(std::size_t count) {
    if (count >= m_count) {
        Clear();
        return;
    }
    m_head += count;
    m_count -= count;
    while (m_head >= kBlockLines) {
        m_blocks.pop_front();
        m_head -= kBlockLines;
    }
}

void CTrafficStore::Clear() {
    std::deque<Block>().swap(m_blocks);
    m_head = 0;
    m_count = 0;
}

TrafficLine CTrafficStore::GetLine(std::size_t index) const {
    const std::size_t at = m_head + index;
    const Block& block = m_blocks[at / kBlockLines];
    const unsigned char* in = block.bytes.data() + block.starts[at % kBlockLines];
    TrafficLine line;
    std::uint16_t length = 0;
    std::memcpy(&line.time, in, sizeof line.time);
    std::memcpy(&length, in + 8, sizeof length);
    line.command = in[10];
    line.sent = (in[11] & kSentFlag) != 0;
    line.length = length;
    line.payload = in + kHeadSize;
    return line;
}

std::size_t CTrafficStore::GetHeapBytes() const {
    std::size_t bytes = 0;
    for (const Block& block : m_blocks) {
        bytes +=
            sizeof block + block.bytes.capacity() + block.starts.capacity() * sizeof(std::uint32_t);
    }
    return bytes;
}
