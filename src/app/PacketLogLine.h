#pragma once
// The log line written for every packet received or sent.

#include <ctime>
#include <string>

class CLogFile;
class CPacket;

// The log line's message text: "RECV: %02X %02X " or "SEND: %02X %02X " with the payload length
// + 2 and the command (a length of 254 or more gives more than two digits).
std::string FormatLogText(bool sent, const CPacket& packet);
// Writes that text and the payload as one line of the log.
void WritePacketLog(CLogFile& log, bool sent, const CPacket& packet);
// The whole line as the log holds it (stamp for when, text, payload), without its CR LF: what
// a front end without a log file prints instead. Milliseconds as FormatLogLine takes them.
std::string FormatPacketLogLine(const std::tm& when, bool sent, const CPacket& packet,
                                int milliseconds = -1);

// What the window and tavrin-cli say about a log file that cannot be written: the path and the
// system's reason.
std::string CannotOpenLogText(const std::string& path, const std::string& reason);
std::string LogNotWrittenText(const std::string& reason);
