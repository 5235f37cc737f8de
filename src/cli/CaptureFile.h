#pragma once
// A capture file of the traffic that Wireshark reads (libpcap's format), with the dissector in
// contrib/wireshark/vx.lua. Link type DLT_USER0 (147); each record is
//   1 byte   direction: 0 received from the unit, 1 sent to it
//   1 byte   the packet's command
//   N bytes  its payload
// stamped with the time it was written, in microseconds.
//
// Threads: Write may be called from several threads at once (the receive thread and the
// sender); each record goes out whole.

#include <mutex>
#include <string>

struct pcap;
struct pcap_dumper;
class CPacket;

namespace cli {

class CCaptureFile {
public:
    static constexpr int kLinkType = 147;  // DLT_USER0
    static constexpr unsigned char kReceived = 0;
    static constexpr unsigned char kSent = 1;

    CCaptureFile() = default;
    ~CCaptureFile();

    CCaptureFile(const CCaptureFile&) = delete;
    CCaptureFile& operator=(const CCaptureFile&) = delete;

    // Creates (or empties) the file and writes its header. False, with the reason in error,
    // when it cannot be written.
    bool Open(const std::string& path, std::string* error);
    bool IsOpen() const { return m_dumper != nullptr; }
    // Adds one record; does nothing while the file is not open.
    void Write(bool sent, const CPacket& packet);
    // Pushes what is written so far to the file, so that a reader sees whole records.
    void Flush();
    // Flushes and closes; the file is whole afterwards.
    void Close();

private:
    std::mutex m_lock;
    pcap* m_pcap = nullptr;
    pcap_dumper* m_dumper = nullptr;
};

}  // namespace cli
