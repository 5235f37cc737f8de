#pragma once
// Recorded traffic read back: the packets of a capture file (CaptureFile.h) or of a Tavrin log
// file, for the capture window, `tavrin-cli show` and `vxsim --replay`. A file goes in whole;
// its records come out in order, or the file is refused with a Russian message that names the
// record ("Запись 17: ...") or line ("Строка 4: ...") and what is wrong with it.
//
// A file that ends inside a record or line is not refused: the records before the cut are
// whole and are the traffic as it was (a copy taken while monitor was still writing, or a
// full disk whose part-record could not be cut off again), and a capture from the field is
// often all there is. The reader keeps them and says where the file was cut (cutShort); every
// front end passes that on. Anything damaged before the end refuses the file: past it, nothing
// can be trusted to be where the records say.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CPacket;

struct TrafficRecord {
    // Microseconds since 1970-01-01 00:00:00 in the file's clock: UTC in a capture; in a log
    // file the local time of the machine that wrote it, kept as written, since a log names no
    // time zone (TrafficFile::HasLocalTime).
    std::int64_t time = 0;
    bool sent = false;                   // to the unit; false: received from it
    unsigned char command = 0;           // never 0 in a record read: command 0 makes no packet
    std::vector<unsigned char> payload;  // at most CPacket::kMaxSplitPayload bytes when read

    bool operator==(const TrafficRecord&) const = default;
};

enum class TrafficFileKind { Capture, Log };

struct TrafficFile {
    TrafficFileKind kind = TrafficFileKind::Capture;
    std::vector<TrafficRecord> records;
    // Empty for a file read to its end; otherwise where it ends inside a record or line, with
    // the number of records read before it.
    std::string cutShort;

    bool HasLocalTime() const { return kind == TrafficFileKind::Log; }
};

// The file at path: a capture (pcap, told by its first four bytes) or a Tavrin log file (text
// whose first byte is "["). False, with the reason in *error and no records, for a file that
// cannot be read, that is neither, or that is damaged. The messages do not name the path: the
// caller does.
bool ReadTrafficFile(const std::string& path, TrafficFile* file, std::string* error);
// The same for a file's bytes.
bool ParseTrafficFile(std::string_view bytes, TrafficFile* file, std::string* error);

// The two readers that ParseTrafficFile chooses between. A capture may be in either byte order,
// with microsecond or nanosecond stamps (Wireshark saves either), of link type USER0; a log's
// lines end in CR LF (LF alone is taken too) and carry stamps to the second or the millisecond.
bool ParseCapture(std::string_view bytes, TrafficFile* file, std::string* error);
bool ParseLog(std::string_view text, TrafficFile* file, std::string* error);

// The record as the log and `tavrin-cli monitor` write it, without CR LF: the stamp in local
// time, to the second ("[07.12.2026 10:00:00] - ") or with milliseconds ("[… 10:00:00.123] - "),
// then "RECV: " or "SEND: ", the length, the command and the payload. localTime: the record's
// time is a log's wall-clock time (else UTC).
std::string FormatTrafficLine(const TrafficRecord& record, bool localTime,
                              bool milliseconds = false);

// The record's packet; false for a record that makes none (command 0, payload too long).
bool MakeRecordPacket(const TrafficRecord& record, CPacket* packet);

// The words both readers use for a record that makes no packet, or "" for one that does.
std::string RecordPacketFault(unsigned char command, std::size_t payloadLength);
