#include "app/KeyChar.h"

#include "app/CodePage.h"
#include "packet/PacketTable.h"

std::optional<int> KeyFromCharacter(char32_t character) {
    const std::optional<unsigned char> byte = EncodeWindows1251(character);
    if (!byte) {
        return std::nullopt;
    }
    return static_cast<signed char>(*byte);
}

// The key byte is the one after the record's opening "$", the first "$" of its source (the
// first record's source also holds what stands before it in the file, which has no "$").
int RecordKey(const CPacketHolder& record, ScriptEncoding encoding) {
    const int byteKey = record.GetKey();
    if (encoding != ScriptEncoding::Utf8 || byteKey >= 0) {
        return byteKey;
    }
    const std::string& source = record.GetSource();
    const std::size_t at = source.find('$');
    if (at == std::string::npos || at + 1 >= source.size() ||
        static_cast<signed char>(source[at + 1]) != byteKey) {
        return byteKey;
    }
    const auto lead = static_cast<unsigned char>(source[at + 1]);
    const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::optional<std::u32string> character = DecodeUtf8(source.substr(at + 1, length));
    return character && character->size() == 1 ? static_cast<int>((*character)[0]) : byteKey;
}

std::optional<int> TypedKey(char32_t character, ScriptEncoding encoding) {
    if (encoding == ScriptEncoding::Utf8) {
        return static_cast<int>(character);
    }
    return KeyFromCharacter(character);
}

// A Windows-1251 file is searched as it always was, by its key bytes.
CPacketHolder* FindRecordByKey(CPacketTable& file, ScriptEncoding encoding, int key) {
    if (encoding != ScriptEncoding::Utf8) {
        return file.Find(key);
    }
    for (int i = 0; i < file.GetCount(); ++i) {
        CPacketHolder* record = file.GetHolder(i);
        if (record != nullptr && RecordKey(*record, encoding) == key) {
            return record;
        }
    }
    return nullptr;
}

std::optional<char32_t> SentKeyFromPress(PressedKey key, std::u32string_view text, bool alt,
                                         bool ctrl) {
    if (key == PressedKey::Delete || (alt && !ctrl)) {
        return std::nullopt;
    }
    if (key == PressedKey::Tab || key == PressedKey::Backtab) {
        return '\t';
    }
    if (text.size() != 1 || text[0] == U'\x7F') {
        return std::nullopt;
    }
    return text[0];
}

char32_t CharacterFromByte(unsigned char byte) {
    return DecodeWindows1251(byte);
}
