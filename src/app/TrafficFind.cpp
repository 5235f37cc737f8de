#include "app/TrafficFind.h"

#include <algorithm>

#include "inspect/PacketParameters.h"
#include "packet/Packet.h"
#include "settings/DecimalText.h"

const char kFindFieldName[] = "Искать";
const char kNoMatchText[] = "нет совпадений";

namespace {

// The word that makes the text a command, in the cases a person types it.
constexpr std::string_view kCommandWords[] = {"команда", "Команда", "КОМАНДА"};

std::string FieldMessage(const std::string& problem) {
    return std::string(kFindFieldName) + ": " + problem;
}

// True when the text is a command's ("команда 53"); *rest gets what follows the word.
bool IsCommandText(const std::string& text, std::string* rest) {
    for (std::string_view word : kCommandWords) {
        if (text.compare(0, word.size(), word) == 0) {
            *rest = Trim(text, word.size());
            return true;
        }
    }
    return false;
}

bool DirectionMatches(const TrafficLine& line, FindDirection direction) {
    return direction == FindDirection::Both || line.sent == (direction == FindDirection::Sent);
}

}  // namespace

std::optional<TrafficQuery> ReadFindText(std::string_view text, FindDirection direction,
                                         std::string* message) {
    TrafficQuery query;
    query.direction = direction;
    const std::string trimmed = Trim(std::string(text));
    std::string rest;
    if (IsCommandText(trimmed, &rest)) {
        const std::optional<int> command = ReadCommandByte(rest);
        if (!command) {
            *message = FieldMessage("после «команда» нужен байт команды в hex, от 01 до FF");
            return std::nullopt;
        }
        query.command = static_cast<unsigned char>(*command);
        return query;
    }
    std::string digits;
    const HexTextProblem found = CheckHexText(trimmed, &digits);
    if (found != HexTextProblem::None) {
        *message = FieldMessage(HexTextProblemText(found));
        return std::nullopt;
    }
    if (digits.empty()) {
        *message = FieldMessage("нужны байты в hex или «команда NN»");
        return std::nullopt;
    }
    query.bytes.resize(digits.size() / 2);
    HexToBytes(digits.c_str(), query.bytes.data(), static_cast<int>(query.bytes.size()));
    return query;
}

bool LineMatches(const TrafficLine& line, const TrafficQuery& query) {
    if (!DirectionMatches(line, query.direction)) {
        return false;
    }
    if (query.command) {
        return line.command == *query.command;
    }
    const std::vector<unsigned char>& wanted = query.bytes;
    if (wanted.empty() || wanted.size() > static_cast<std::size_t>(line.length) + 1) {
        return false;
    }
    // The run may begin at the command byte; the rest of it is then the payload's start.
    if (wanted[0] == line.command && std::equal(wanted.begin() + 1, wanted.end(), line.payload)) {
        return true;
    }
    const unsigned char* end = line.payload + line.length;
    return std::search(line.payload, end, wanted.begin(), wanted.end()) != end;
}

std::optional<std::size_t> FindTrafficLine(const CTrafficStore& lines, const TrafficQuery& query,
                                           std::size_t from, bool forward) {
    const std::size_t count = lines.GetCount();
    if (from >= count) {
        return std::nullopt;
    }
    for (std::size_t at = from;; forward ? ++at : --at) {
        if (LineMatches(lines.GetLine(at), query)) {
            return at;
        }
        if (forward ? at + 1 == count : at == 0) {
            return std::nullopt;
        }
    }
}
