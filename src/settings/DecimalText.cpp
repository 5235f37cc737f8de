#include "settings/DecimalText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

bool IsBlank(char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    return byte == 0x20 || (byte >= 0x09 && byte <= 0x0D);
}

std::string Trim(const std::string& text, std::size_t begin, std::size_t end) {
    end = std::min(end, text.size());
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

int ParseDecimal(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool ReadWholeNumber(const std::string& text, unsigned long long max, unsigned long long* value) {
    const std::string number = Trim(text);
    const bool hex =
        number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X');
    const unsigned base = hex ? 16 : 10;
    unsigned long long result = 0;
    for (std::size_t i = hex ? 2 : 0; i < number.size(); ++i) {
        const char c = number[i];
        unsigned digit = base;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        }
        if (digit >= base || digit > max || result > (max - digit) / base) {
            return false;  // not a digit, or past max (checked before it could overflow)
        }
        result = result * base + digit;
    }
    if (number.empty()) {
        return false;
    }
    *value = result;
    return true;
}

std::optional<double> ReadDecimalNumber(const std::string& text, double min, double max) {
    if (text.empty() || text.find_first_not_of("+-0123456789.eE") != std::string::npos) {
        return std::nullopt;
    }
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value) || !(value >= min && value <= max)) {
        return std::nullopt;
    }
    return value;
}
