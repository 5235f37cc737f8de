#pragma once
// A traffic list and recorded traffic: the list's lines made from the records of a capture or a
// log file, the list saved as a capture as tavrin-cli writes it (CaptureFile.h), and the caption
// of the window that shows a file.

#include <string>
#include <vector>

#include "app/TrafficStore.h"
#include "capture/TrafficFile.h"

// The lines of the records, in order, appended to lines. False when memory runs out; the lines
// added before stay.
bool FillTrafficStore(const std::vector<TrafficRecord>& records, CTrafficStore* lines);

// The clock a file's times are in: UTC for a capture, the writer's wall clock for a log.
TrafficClock ClockOf(const TrafficFile& file);

// Writes the lines as a capture at path, each with its direction and its time to the
// microsecond. Times in wall-clock time are turned into UTC (CWallClockToUtc). The capture is
// written beside the path and takes its place only once it is whole: a capture that cannot be
// written whole leaves nothing behind, and a file that was at the path stays as it was. False,
// with "Невозможно сохранить захват <path>: <reason>" in *error, when it cannot be written.
bool SaveLinesAsCapture(const CTrafficStore& lines, TrafficClock clock, const std::string& path,
                        std::string* error);

// What the status bar says once the list is saved: "Захват сохранён: <path> (пакетов: N)".
std::string CaptureSavedText(const std::string& path, std::size_t count);

// The caption of a window that shows a file: "Захват - name.pcap", or "Журнал - name.log" for a
// log file; the name without its folder.
std::string TrafficFileCaption(TrafficFileKind kind, const std::string& path);
