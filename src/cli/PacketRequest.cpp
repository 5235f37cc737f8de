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
// in UTF-8); every parameter needs a value, every pair a parameter, and every value must be
// whole bytes, as the parameters dialog asks.
bool FillParameters(std::vector<PacketParameter>& parameters, ScriptEncoding encoding,
                    const std::vector<std::string>& params, std::string* error) {
    std::map<std::string, std::string> values;
    if (!ReadParams(params, &values, error)) {
        return false;
    }
    // What was given is checked before what is missing: a misspelt name or a mistyped value is
    // what the user has to mend first, and names the parameter typed.
    std::map<std::string, bool> used;
    std::string missing;
    for (PacketParameter& parameter : parameters) {
        const std::string name = DecodeScriptText(parameter.name, encoding);
        const auto found = values.find(name);
        if (found == values.end()) {
            missing = missing.empty() ? name : missing;
            continue;
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
    HexTextProblem problem = HexTextProblem::None;
    const int bad = FindBadParameter(parameters, &problem);
    if (bad >= 0) {
        const std::string& name = parameters[static_cast<std::size_t>(bad)].name;
        *error = ParameterValueMessage(DecodeScriptText(name, encoding), problem);
        return false;
    }
    if (!missing.empty()) {
        *error = "Не задан параметр \"" + missing + "\" (--param " + missing + "=ЗНАЧЕНИЕ)";
        return false;
    }
    return true;
}

// "0xNN" is the key byte as the file holds it; a character is what a user would type, found
// as the window finds a typed key.
CPacketHolder* FindRequestedRecord(CPacketTable& table, const std::string& keyText,
                                   std::string* error) {
    std::optional<int> key;
    CPacketHolder* record = nullptr;
    if (std::optional<int> byte = ReadKeyByte(keyText)) {
        key = byte;
        record = table.Find(*byte);
    } else if (std::optional<std::u32string> characters = DecodeUtf8(keyText);
               characters && characters->size() == 1) {
        const ScriptEncoding encoding = DetectScriptEncoding(table);
        key = TypedKey((*characters)[0], encoding);
        record = key ? FindRecordByKey(table, encoding, *key) : nullptr;
    }
    if (!key) {
        *error = "Неверная клавиша \"" + keyText + "\" (один символ или 0xNN)";
    } else if (record == nullptr) {
        *error = "Не определен пакет для данной клавиши: " + keyText;
    }
    return record;
}

}  // namespace

std::optional<int> ReadKeyByte(const std::string& text) {
    if (text.size() < 3 || text.size() > 4 || text[0] != '0' ||
        (text[1] != 'x' && text[1] != 'X')) {
        return std::nullopt;
    }
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

bool BuildRequestedPacket(const PacketRequest& request, CPacket* packet, std::string* error) {
    if (request.file.empty()) {
        if (!request.params.empty()) {
            *error = "--param относится только к пакетам из файла (--file)";
            return false;
        }
        std::string digits;
        const HexTextProblem problem = CheckHexText(request.hex, &digits);
        if (problem != HexTextProblem::None) {
            *error = "--hex: " + HexTextProblemText(problem);
            return false;
        }
        if (!PacketFromWholeHexText(digits, packet)) {
            *error = kBadPacket;
            return false;
        }
        return true;
    }
    CPacketTable table;
    if (!table.Load(request.file.c_str(), request.file.c_str())) {
        *error = "Невозможно загрузить файл с пакетами " + request.file;
        return false;
    }
    CPacketHolder* definition = FindRequestedRecord(table, request.key, error);
    if (definition == nullptr) {
        return false;
    }
    std::vector<PacketParameter> parameters;
    const std::string text = ExtractParameters(definition->GetText(), parameters);
    if (!FillParameters(parameters, DetectScriptEncoding(table), request.params, error)) {
        return false;
    }
    if (!PacketFromWholeHexText(SpliceCheckedParameters(text, parameters), packet)) {
        *error = kBadPacket;
        return false;
    }
    return true;
}

}  // namespace cli
