#include "app/PacketFileText.h"

#include "app/CodePage.h"
#include "packet/PacketTable.h"

namespace {

constexpr std::size_t kLabelCharacters = 1023;

bool HasNonAscii(std::string_view bytes) {
    for (char byte : bytes) {
        if (static_cast<unsigned char>(byte) >= 0x80) {
            return true;
        }
    }
    return false;
}

// Bytes of a UTF-8 sequence starting with this lead byte, 0 when it is no valid lead.
std::size_t SequenceLength(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (at + length > bytes.size() || !IsValidUtf8(bytes.substr(at, length))) {
        return 0;
    }
    return length;
}

// Cuts UTF-8 text after the given number of characters.
void CutCharacters(std::string& text, std::size_t characters) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count++ == characters) {
            text.resize(i);
            return;
        }
    }
}

}  // namespace

ScriptEncoding DetectScriptEncoding(std::string_view bytes) {
    return HasNonAscii(bytes) && IsValidUtf8(bytes) ? ScriptEncoding::Utf8
                                                    : ScriptEncoding::Windows1251;
}

// Every "$" is ASCII, so no UTF-8 character spans two records: the file is valid UTF-8
// exactly when every source is.
ScriptEncoding DetectScriptEncoding(CPacketTable& file) {
    bool nonAscii = false;
    for (int i = 0; i < file.GetCount(); ++i) {
        const std::string& source = file.GetHolder(i)->GetSource();
        if (!IsValidUtf8(source)) {
            return ScriptEncoding::Windows1251;
        }
        nonAscii = nonAscii || HasNonAscii(source);
    }
    return nonAscii ? ScriptEncoding::Utf8 : ScriptEncoding::Windows1251;
}

std::string DecodeScriptText(std::string_view bytes, ScriptEncoding encoding) {
    if (encoding == ScriptEncoding::Windows1251) {
        return DecodeWindows1251(bytes);
    }
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = SequenceLength(bytes, i);
        if (length == 0) {
            out += DecodeWindows1251(bytes.substr(i, 1));
            ++i;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string KeyDisplayText(int key) {
    std::string out;
    if (key >= 0x80) {
        AppendUtf8(out, static_cast<char32_t>(key));
        return out;
    }
    const auto byte = static_cast<unsigned char>(key);
    if (byte < 0x20) {
        AppendUtf8(out, 0x2400 + byte);
    } else if (byte == 0x7F) {
        AppendUtf8(out, 0x2421);
    } else {
        out = DecodeWindows1251(std::string_view(reinterpret_cast<const char*>(&byte), 1));
    }
    return out;
}

std::string DefinitionLabel(int key, std::string_view text, ScriptEncoding encoding) {
    std::string label = "< " + KeyDisplayText(key) + " > - " + DecodeScriptText(text, encoding);
    CutCharacters(label, kLabelCharacters);
    return label;
}
