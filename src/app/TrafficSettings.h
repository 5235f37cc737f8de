#pragma once
// The settings of the traffic list and the log's stamps, read as every [Main] number is read
// (sign and digits up to the first other character). The window and tavrin-cli both read them
// here.

#include <cstddef>

class CConfig;

inline constexpr std::size_t kDefaultMaxListLines = 5000000;
// What "no bound" comes to: the rows a list can show.
inline constexpr std::size_t kListRowLimit = 2147483647;

// [Main] MaxListLines: the most lines the traffic list keeps. Absent, or a negative value: the
// default; 0: no bound but the list's own row limit.
std::size_t ReadMaxListLines(const CConfig& config);
// [Main] LogMilliseconds: any value other than 0 adds ".mmm" to the log's stamps; absent: 0.
bool ReadLogMilliseconds(const CConfig& config);
