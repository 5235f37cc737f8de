#pragma once
// The program's rules for numbers typed or stored as text: blanks are the bytes 0x09 to 0x0D
// and space (bytes from 0x80 up never are), and a number is an optional sign and decimal
// digits, read up to the first other character. The settings file and the programming
// dialog's value fields read numbers the same way.

#include <cstddef>
#include <optional>
#include <string>

bool IsBlank(char c);
// The text between begin and end without the blanks at either end.
std::string Trim(const std::string& text, std::size_t begin = 0,
                 std::size_t end = std::string::npos);
// A whole number and nothing else, blanks around it allowed: decimal digits, or "0x" (or "0X")
// and hexadecimal digits; no sign. False for any other text and for a value above max.
bool ReadWholeNumber(const std::string& text, unsigned long long max, unsigned long long* value);
// Sign and digits, stopping at the first other character; no digits gives 0. Saturates at the
// limits of int instead of overflowing on absurdly long numbers.
int ParseDecimal(const std::string& text);
// A finite decimal number in [min, max] and nothing else, a fraction or an exponent allowed
// ("inf" and "nan" are no number); nothing for any other text.
std::optional<double> ReadDecimalNumber(const std::string& text, double min, double max);
