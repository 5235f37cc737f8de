// One Intel HEX record, after an extended linear address of the fuzzer's choice: the record
// parser takes exactly the well-formed records, writes a data record where it says and
// nowhere else, and never outside the image.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "programming/BinaryDump.h"

namespace {

int Digit(char c) {
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

// The record's bytes when the line is ":" and digit pairs that agree with the count and the
// checksum; empty otherwise.
std::vector<unsigned char> WellFormed(std::string_view line) {
    std::vector<unsigned char> bytes;
    if (line.size() < 11 || line[0] != ':' || line.size() % 2 == 0) {
        return {};
    }
    for (std::size_t i = 1; i < line.size(); i += 2) {
        int high = Digit(line[i]);
        int low = Digit(line[i + 1]);
        if (high < 0 || low < 0) {
            return {};
        }
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    if (bytes.size() != bytes[0] + 5u) {
        return {};
    }
    unsigned sum = 0;
    for (unsigned char b : bytes) {
        sum += b;
    }
    return sum % 256 == 0 ? bytes : std::vector<unsigned char>{};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CBinaryDump dump;
    if (size < 1) {
        return 0;
    }
    // The first byte picks the 64 KiB segment the record is meant for (the image has 16).
    const unsigned segment = data[0] % 20;
    const unsigned char sum = static_cast<unsigned char>(0x100 - (2 + 4 + segment));
    char base[16];
    std::snprintf(base, sizeof base, ":02000004%04X%02X", segment, sum);
    // A fresh image: a file of nothing but end records loads as an empty one.
    static const std::string path = [] {
        const std::string made = Fuzz::ScratchPath("empty.hex");
        Fuzz::WriteBytes(made, ":00000001FF\r\n:00000001FF", 24);
        return made;
    }();
    FUZZ_CHECK(dump.LoadHex(path) == 1 && dump.GetSize() == 0);
    FUZZ_CHECK(dump.ParseRecord(base) == 1);

    const std::string_view line(reinterpret_cast<const char*>(data) + 1, size - 1);
    const int result = dump.ParseRecord(line);
    const std::vector<unsigned char> record = WellFormed(line);
    const unsigned char* image = dump.GetData();

    unsigned start = 0;
    unsigned count = 0;
    if (!record.empty() && record[3] == 0) {
        start = segment * 0x10000 + record[1] * 256u + record[2];
        count = record[0];
        const bool fits = start + count <= static_cast<unsigned>(CBinaryDump::kImageSize);
        FUZZ_CHECK(result == (fits ? 1 : 0));
        if (!fits) {
            count = 0;
        }
    } else if (!record.empty() && (record[3] == 2 || record[3] == 4)) {
        FUZZ_CHECK(result == (record[0] == 2 ? 1 : 0));
    } else {
        FUZZ_CHECK(result == (record.empty() ? 0 : 1));
    }
    FUZZ_CHECK(dump.GetSize() == static_cast<int>(count == 0 ? 0 : start + count));
    if (count > 0) {
        FUZZ_CHECK(std::memcmp(image + start, record.data() + 4, count) == 0);
    }
    // Everything else stays erased (looked at around the record, and at the image's ends).
    const unsigned from = start > 300 ? start - 300 : 0;
    const unsigned to = std::min<unsigned>(start + count + 300, CBinaryDump::kImageSize);
    for (unsigned i = from; i < to; ++i) {
        FUZZ_CHECK((i >= start && i < start + count) || image[i] == 0xFF);
    }
    FUZZ_CHECK(count > 0 || (image[0] == 0xFF && image[CBinaryDump::kImageSize - 1] == 0xFF));
    return 0;
}
