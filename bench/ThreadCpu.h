#pragma once
// CPU time of single threads of this process, from the scheduler's own account (Linux), so a
// benchmark can count the program's threads and leave out the simulator's or its own.

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

inline std::set<int> ThreadIds() {
    std::set<int> ids;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(tasks)) {
            if (entry->d_name[0] != '.') {
                ids.insert(std::atoi(entry->d_name));
            }
        }
        closedir(tasks);
    }
    return ids;
}

// Nanoseconds a thread has run.
inline long long ThreadCpuNs(int id) {
    std::ifstream in("/proc/self/task/" + std::to_string(id) + "/schedstat");
    long long ns = 0;
    in >> ns;
    return ns;
}

// How many times a thread was put on a processor: about one per wake-up for a thread that
// mostly waits.
inline long long ThreadSlices(int id) {
    std::ifstream in("/proc/self/task/" + std::to_string(id) + "/schedstat");
    long long ns = 0;
    long long waited = 0;
    long long slices = 0;
    in >> ns >> waited >> slices;
    return slices;
}

inline std::string ThreadName(int id) {
    std::ifstream in("/proc/self/task/" + std::to_string(id) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

inline long long CpuNs(const std::set<int>& ids) {
    long long total = 0;
    for (int id : ids) {
        total += ThreadCpuNs(id);
    }
    return total;
}

// The threads that began between two looks at ThreadIds.
inline std::set<int> NewThreads(const std::set<int>& before) {
    std::set<int> added;
    for (int id : ThreadIds()) {
        if (before.count(id) == 0) {
            added.insert(id);
        }
    }
    return added;
}
