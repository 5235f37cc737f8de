#include "cli/PacketRequest.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "app/CodePage.h"
#include "app/KeyChar.h"
#include "app/PacketFileText.h"
#include "inspect/PacketParameters.h"
#include "packet/Packet.h"
#include "packet/PacketTable.h"

namespace cli {

namespace {

const char* const kBadPacket = "Неверный формат пакета";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const int lower = std::tolower(static_cast<unsigned char>(c));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The value as the parameters dialog stores a typed one: narrowed to the code page. Bytes that
// are not UTF-8 go in as they are.
std::string ValueBytes(const std::string& value) {
    const std::optional<std::u32string> text = DecodeUtf8(value);
    return text ? EncodeWindows1251(*text) : value;
}

// NAME=VALUE pairs by name; false with a message for a pair without "=".
bool ReadParams(const std::vector<std::string>& params, std::map<std::string, std::string>* out,
                std::string* error) {
    for (const std::string& pair : params) {
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            *error = "Параметр \"" + pair + "\" задан без значения (нужно ИМЯ=ЗНАЧЕНИЕ)";
            return false;
        }
        (*out)[pair.substr(0, equals)] = pair.substr(equals + 1);
    }
    return true;
}

// Fills every parameter of the record from the pairs (names compared as the window shows them,
// in UTF-8); every parameter needs a value and every pair a parameter.
bool FillParameters(std::vector<PacketParameter>& parameters, ScriptEncoding encoding,
                    const std::vector<std::string>& params, std::string* error) {
    std::map<std::string, std::string> values;
    if (!ReadParams(params, &values, error)) {
        return false;
    }
    std::map<std::string, bool> used;
    for (PacketParameter& parameter : parameters) {
        const std::string name = DecodeScriptText(parameter.name, encoding);
        const auto found = values.find(name);
        if (found == values.end()) {
            *error = "Не задан параметр \"" + name + "\" (--param " + name + "=ЗНАЧЕНИЕ)";
            return false;
        }
        parameter.value = ValueBytes(found->second);
        used[name] = true;
    }
    for (const auto& [name, value] : values) {
        if (!used.count(name)) {
            *error = "В пакете нет параметра \"" + name + "\"";
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<int> ReadKey(const std::string& text) {
    if (text.size() >= 3 && text.size() <= 4 && text[0] == '0' &&
        (text[1] == 'x' || text[1] == 'X')) {
        int value = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + digit;
        }
        return static_cast<int>(static_cast<signed char>(value));
    }
    const std::optional<std::u32string> characters = DecodeUtf8(text);
    if (!characters || characters->size() != 1) {
        return std::nullopt;
    }
    return KeyFromCharacter((*characters)[0]);
}

bool BuildRequestedPacket(const PacketRequest& request, CPacket* packet, std::string* error) {
    if (request.file.empty()) {
        if (!request.params.empty()) {
            *error = "--param относится только к пакетам из файла (--file)";
            return false;
        }
        if (!packet->FromHexText(request.hex.c_str())) {
            *error = kBadPacket;
            return false;
        }
        return true;
    }
    const std::optional<int> key = ReadKey(request.key);
    if (!key) {
        *error = "Неверная клавиша \"" + request.key + "\" (один символ или 0xNN)";
        return false;
    }
    CPacketTable table;
    if (!table.Load(request.file.c_str(), request.file.c_str())) {
        *error = "Невозможно загрузить файл с пакетами " + request.file;
        return false;
    }
    CPacketHolder* definition = table.Find(*key);
    if (definition == nullptr) {
        *error = "Не определен пакет для данной клавиши: " + request.key;
        return false;
    }
    std::vector<PacketParameter> parameters;
    const std::string text = ExtractParameters(definition->GetText(), parameters);
    if (!FillParameters(parameters, DetectScriptEncoding(table), request.params, error)) {
        return false;
    }
    if (!packet->FromHexText(SpliceParameters(text, parameters).c_str())) {
        *error = kBadPacket;
        return false;
    }
    return true;
}

}  // namespace cli
