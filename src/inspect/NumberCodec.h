#pragma once
// One unsigned number as text in five notations: decimal, hexadecimal, binary, octal, or a
// single character. Texts are bytes (the character notation's code page is Windows-1251).

#include <cstdint>
#include <string>
#include <string_view>

enum NumberBase : int {
    NumberDecimal = 0,
    NumberHex = 1,
    NumberBinary = 2,
    NumberOctal = 3,
    NumberChar = 4,
};

// The radix of a numeric notation (10, 16, 2, 8); 0 for the character notation.
int NumberRadix(NumberBase base);

// Digits of the largest value in a notation: how often it divides until the quotient is 0, so a
// maximum of 0 has 0 digits. The character notation always has 1.
int NumberDigitCount(std::uint32_t maximum, NumberBase base);

// The text of a value:
//  - decimal and octal without leading zeros;
//  - hexadecimal in upper case, zero-filled to the digit count (at least one digit);
//  - binary with exactly the digit count of digits (at least one), "-" between each group of 8
//    counted from the least significant digit;
//  - the character whose code is the value's low byte, "." for codes below 32.
std::string FormatNumber(std::uint32_t value, NumberBase base, int digits);

// The value of a text: the digits of the notation from the start up to the first character that
// is not one (binary skips the "-" between groups), either case; an empty text is 0. A number
// too large for 32 bits gives the largest value, so it is out of any smaller range. The
// character notation gives the code of the first character, 0 for an empty text.
std::uint32_t ParseNumber(std::string_view text, NumberBase base);
