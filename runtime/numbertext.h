#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace talbrix {

// The three numeric types a value can be published with. The type decides
// how many significant digits Str writes: 7 for single, 15 for double, all of
// them for a 32-bit integer.
enum class NumericType { Single, Double, Integer };

// A number together with the type it was computed in. Singles and 32-bit
// integers are held exactly in the double.
struct Number {
    NumericType type;
    double value;

    static constexpr Number single(float v) { return { NumericType::Single, static_cast<double>(v) }; }
    static constexpr Number dbl(double v) { return { NumericType::Double, v }; }
    static constexpr Number integer(std::int32_t v) { return { NumericType::Integer, static_cast<double>(v) }; }
};

// How a readout turns a number into text: Str, or Format of the Str text with
// a pattern of '#' and at most one '.'.
struct TextForm {
    const char *pattern; // nullptr for Str

    static constexpr TextForm str() { return { nullptr }; }
    static constexpr TextForm format(const char *pattern) { return { pattern }; }
    constexpr bool isStr() const { return pattern == nullptr; }
};

// Str: a leading blank for non-negative numbers ('-' otherwise), the value
// rounded to 7 (single) or 15 (double) significant digits, the period as
// decimal point, no trailing zeros, no zero before the point of a magnitude
// below 1. Magnitudes from 1e-4 up to the type's digit count are written
// plainly, others as d.dddE+dd.
std::string str(Number number);
void str(Number number, std::string &out);

// Format: the text is read back as a number and written by a pattern of '#'
// and one optional '.': every integer digit, no leading zero, the fraction
// rounded (halves away from zero, on the decimal digits of the text) to as
// many digits as there are '#' after the point, trailing zeros dropped, and
// the point written whenever the pattern has one.
std::string format(std::string_view text, std::string_view pattern);

// The text a readout shows for a value: Str, or Format of its Str text.
// Writes into out, reusing its buffer.
void toText(Number number, TextForm form, std::string &out);
std::string toText(Number number, TextForm form);

} // namespace talbrix
