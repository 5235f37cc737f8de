#pragma once
// The lines of a traffic list in compact form: for every packet its time, direction, command
// and payload, packed one after another in blocks of kBlockLines lines. A line costs its
// payload, a 12-byte head and a 4-byte offset (about 80 bytes for a full USB frame), instead
// of a packet object with a buffer of its own and a container node. Lines are added at the
// end and leave from the front only (the oldest, when a list is bounded) or all together.
//
// Not locked: one thread owns a store at a time. The receive thread fills the traffic list's
// pending store under the list's lock; the user-interface thread owns the list's own store. A
// store can be filled from a file as well, line by line.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// What a list's times count from. Lines of the traffic and of a capture are in UTC; lines read
// from a log file are in the clock of the machine that wrote it, kept as written
// (capture/WallClock.h).
enum class TrafficClock { Utc, WallClock };

// One line as the store gives it back. The payload points into the store and stays valid
// until the store changes.
struct TrafficLine {
    std::int64_t time = 0;  // microseconds since 1970-01-01 00:00, in the list's TrafficClock
    bool sent = false;
    unsigned char command = 0;
    int length = 0;  // payload bytes
    const unsigned char* payload = nullptr;
};

class CTrafficStore {
public:
    static constexpr std::size_t kBlockLines = 1024;
    // What a line's length field holds; longer than any packet a framing carries.
    static constexpr int kMaxPayload = 0xFFFF;

    CTrafficStore();
    ~CTrafficStore();
    // A store moved from is empty, and reserves for its next block what it did before.
    CTrafficStore(CTrafficStore&& other) noexcept;
    CTrafficStore& operator=(CTrafficStore&& other) noexcept;
    CTrafficStore(const CTrafficStore&) = delete;
    CTrafficStore& operator=(const CTrafficStore&) = delete;

    // Adds a copy of the line at the end. False, and no line, for a length outside 0 to
    // kMaxPayload (or a payload missing) and when memory runs out.
    bool Append(const TrafficLine& line);
    // Adds copies of the other store's lines, in order; stops at the first that memory refuses.
    // Returns how many were added.
    std::size_t AppendAll(const CTrafficStore& other);
    // The oldest lines leave (all of them when count is larger than the store).
    void DropOldest(std::size_t count);
    void Clear();

    std::size_t GetCount() const { return m_count; }
    // Index 0 is the oldest line held; the index must be below GetCount().
    TrafficLine GetLine(std::size_t index) const;
    // The heap the lines hold, blocks and offsets.
    std::size_t GetHeapBytes() const;

private:
    struct Block {
        std::vector<unsigned char> bytes;
        std::vector<std::uint32_t> starts;  // where each line begins in bytes
    };

    Block& BlockForAppend();

    std::deque<Block> m_blocks;
    std::size_t m_head = 0;  // lines of the first block that have left already
    std::size_t m_count = 0;
    std::size_t m_blockBytesHint = 0;  // the last full block's size, reserved for the next
};
