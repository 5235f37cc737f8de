// The packet script reader: any file loads; the records' sources are the file itself, cut at
// each "$"; each record's text holds only hexadecimal digits and whole "&name&" runs, and reads
// back to itself; Find gives the first record of a key.

#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "packet/PacketTable.h"

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

void CheckText(const std::string& text) {
    bool inRun = false;
    for (char c : text) {
        FUZZ_CHECK(c != '$' && c != '\0');
        if (c == '&') {
            inRun = !inRun;
        } else if (!inRun) {
            FUZZ_CHECK(IsHexDigit(c));
        }
    }
    FUZZ_CHECK(!inRun);  // an unclosed run never reaches the text
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = Fuzz::ScratchPath("packets.kad");
    Fuzz::WriteBytes(path, data, size);
    std::string file(reinterpret_cast<const char*>(data), size);
    file.resize(std::strlen(file.c_str()));  // the reader stops at a NUL byte

    CPacketTable table;
    FUZZ_CHECK(table.Load(path.c_str(), "packets.kad") == 1);

    std::string sources;
    for (int i = 0; i < table.GetCount(); ++i) {
        CPacketHolder* record = table.GetHolder(i);
        FUZZ_CHECK(record != nullptr);
        const std::string& source = record->GetSource();
        // From where the previous record stopped: any text, "$", the key, the record's text.
        std::size_t dollar = source.find('$');
        FUZZ_CHECK(dollar != std::string::npos && dollar + 1 < source.size());
        FUZZ_CHECK(source.find('$', dollar + 2) == std::string::npos);
        FUZZ_CHECK(record->GetKey() == static_cast<signed char>(source[dollar + 1]));
        sources += source;
        CheckText(record->GetText());

        // The text read again as a record of its own gives itself.
        std::string again = "$" + std::string(1, source[dollar + 1]) + record->GetText();
        CPacketHolder reread;
        FUZZ_CHECK(reread.Parse(again.c_str()) == again.c_str() + again.size());
        FUZZ_CHECK(reread.GetText() == record->GetText());

        int firstIndex = 0;
        while (table.GetHolder(firstIndex)->GetKey() != record->GetKey()) {
            ++firstIndex;
        }
        FUZZ_CHECK(table.Find(record->GetKey()) == table.GetHolder(firstIndex));
    }
    // Nothing is lost between records; after the last one only a final "$" (no key) or, with
    // no record at all, text without a record may stay.
    FUZZ_CHECK(file.compare(0, sources.size(), sources) == 0);
    std::string rest = file.substr(sources.size());
    if (table.GetCount() > 0) {
        FUZZ_CHECK(rest.empty() || rest == "$");
    } else {
        std::size_t dollar = rest.find('$');
        FUZZ_CHECK(dollar == std::string::npos || dollar + 1 == rest.size());
    }
    FUZZ_CHECK(table.GetHolder(table.GetCount()) == nullptr);
    return 0;
}
