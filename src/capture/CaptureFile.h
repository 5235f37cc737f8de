#pragma once
// A capture file of the traffic that Wireshark reads (libpcap's format, version 2.4, written
// little-endian), with the dissector in contrib/wireshark/vx.lua. Link type DLT_USER0 (147);
// each record is
//   1 byte   direction: 0 received from the unit, 1 sent to it
//   1 byte   the packet's command
//   N bytes  its payload
// stamped in microseconds, UTC: with the time it was written, or the time the caller gives.
// TrafficFile.h reads it back.
//
// A record is in the file whole or not at all (CAppendFile), so that a full disk never leaves
// a file that readers give up on: records gather in memory and go out together on Flush, Close
// or every 64 KiB; of a block cut short, the records that went out whole stay. After the first
// loss nothing more is written: the file holds every record up to it. The file is written here
// rather than through libpcap, whose buffered stream would write the rest of a record cut short in
// front of the next one.
//
// Threads: Write may be called from several threads at once (the receive thread and the
// sender); each record goes out whole.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "settings/AppendFile.h"

class CPacket;
struct TrafficRecord;

class CCaptureFile {
public:
    static constexpr int kLinkType = 147;  // DLT_USER0
    static constexpr unsigned char kReceived = 0;
    static constexpr unsigned char kSent = 1;
    static constexpr std::size_t kFileHeaderSize = 24;
    static constexpr std::size_t kRecordHeaderSize = 16;
    // Payloads of split framing reach 255 frames of 60 bytes; the record adds its two bytes.
    static constexpr std::uint32_t kSnapLength = 65535;

    // The file's header, and one record with its header, as Write puts them in the file.
    static std::string FileHeader();
    static std::string RecordBytes(std::int64_t utcMicros, bool sent, unsigned char command,
                                   const unsigned char* payload, std::size_t length);

    CCaptureFile() = default;
    ~CCaptureFile();

    CCaptureFile(const CCaptureFile&) = delete;
    CCaptureFile& operator=(const CCaptureFile&) = delete;

    // Creates (or empties) the file and writes its header. False, with the path and the
    // system's reason in error, when it cannot be written.
    bool Open(const std::string& path, std::string* error);
    bool IsOpen() const;
    // Adds one record stamped now, or at the given microseconds since 1970 (UTC); does nothing
    // while the file is not open.
    void Write(bool sent, const CPacket& packet);
    void Write(bool sent, const CPacket& packet, std::int64_t micros);
    // Adds the record with its own time, which must be UTC (a log's local stamps are not).
    void Write(const TrafficRecord& record);
    // Hands the records gathered so far to the file, so that a reader sees them.
    void Flush();
    // Flushes and closes; the file is whole afterwards.
    void Close();
    // True once a record was lost since the file was opened; the message then names the file
    // and the system's reason.
    bool HasLostRecords() const;
    std::string GetWriteProblem() const;

private:
    static constexpr std::size_t kPendingLimit = 64 * 1024;

    void Append(const std::string& record);
    void WritePending();  // under the lock

    mutable std::mutex m_lock;
    CAppendFile m_file;
    std::string m_path;
    std::string m_pending;                  // whole records not yet handed to the file
    std::vector<std::size_t> m_recordEnds;  // where each of them ends in m_pending
    bool m_recordsLost = false;
};
