// The firmware reader: any file loads or is refused with an empty image; a loaded image ends at
// its size (erased beyond it), and written out again as Intel HEX it reads back the same.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "programming/BinaryDump.h"

namespace {

std::string Record(int count, unsigned address, int type, const unsigned char* bytes) {
    char text[16];
    std::snprintf(text, sizeof text, ":%02X%04X%02X", count, address & 0xFFFF, type);
    std::string line = text;
    unsigned sum = count + (address >> 8 & 0xFF) + (address & 0xFF) + type;
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, "%02X", bytes[i]);
        line += text;
        sum += bytes[i];
    }
    std::snprintf(text, sizeof text, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + text;
}

// Every byte that is not erased, and the last byte of the image, in records of up to 32 bytes.
std::string WriteHex(const unsigned char* image, int size) {
    std::string file;
    unsigned segment = ~0u;
    for (int at = 0; at < size;) {
        if (image[at] == 0xFF && at != size - 1) {
            // Erased runs are passed over eight bytes at a time.
            std::uint64_t word = 0;
            if (at % 8 == 0 && at + 8 < size) {
                std::memcpy(&word, image + at, 8);
            }
            at += word == ~std::uint64_t{0} ? 8 : 1;
            continue;
        }
        if ((static_cast<unsigned>(at) >> 16) != segment) {
            segment = static_cast<unsigned>(at) >> 16;
            const unsigned char base[2] = {static_cast<unsigned char>(segment >> 8),
                                           static_cast<unsigned char>(segment)};
            file += Record(2, 0, 4, base);
        }
        int count = 1;
        while (count < 32 && at + count < size && (at + count) % 0x10000 != 0 &&
               (image[at + count] != 0xFF || at + count == size - 1)) {
            ++count;
        }
        file += Record(count, static_cast<unsigned>(at), 0, image + at);
        at += count;
    }
    return file + ":00000001FF";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = Fuzz::ScratchPath("firmware.hex");
    static CBinaryDump dump;
    static CBinaryDump again;
    Fuzz::WriteBytes(path, data, size);

    const int loaded = dump.LoadHex(path);
    const unsigned char* image = dump.GetData();
    FUZZ_CHECK(image != nullptr);
    const int imageSize = dump.GetSize();
    FUZZ_CHECK(imageSize >= 0 && imageSize <= CBinaryDump::kImageSize);
    FUZZ_CHECK(loaded == 1 || imageSize == 0);
    // A load says why it refused a file, and which line it skipped first.
    const HexLoadReport& report = dump.GetLoadReport();
    FUZZ_CHECK((loaded == 0) == (report.fileFault != HexFault::None));
    FUZZ_CHECK((report.refusedRecords == 0) == (report.firstRefusedLine == 0));
    if (loaded == 1) {
        // No file this short holds the two lines and the end record.
        FUZZ_CHECK(size >= 13);
    }
    static const std::vector<unsigned char> erased(CBinaryDump::kImageSize, 0xFF);
    FUZZ_CHECK(std::memcmp(image + imageSize, erased.data(),
                           static_cast<std::size_t>(CBinaryDump::kImageSize - imageSize)) == 0);
    if (loaded != 1 || imageSize == 0) {
        return 0;
    }
    const std::string written = WriteHex(image, imageSize);
    Fuzz::WriteBytes(path, written.data(), written.size());
    FUZZ_CHECK(again.LoadHex(path) == 1);
    FUZZ_CHECK(again.GetLoadReport().IsWhole());
    FUZZ_CHECK(again.GetSize() == imageSize);
    FUZZ_CHECK(std::memcmp(again.GetData(), image, static_cast<std::size_t>(imageSize)) == 0);
    return 0;
}
