// Str of arbitrary singles, doubles and 32-bit integers, and Format of that
// text with arbitrary patterns of '#' and '.': every readout's text.
//
// Input: one byte choosing the type, the value's bytes (4 or 8), then one
// byte per pattern character ('.' for a multiple of 4, '#' otherwise).
//
// Properties checked for every finite value:
// - Str's shape: a blank or '-', then "0", plain digits with no zero before
//   the point and no trailing zero after it, or d.dddE+dd; plain exactly for
//   rounded magnitudes from 1e-4 up to 1e7 (singles) or 1e15 (doubles).
// - Str of a single has at most 7 significant digits (a double 15) and is the
//   nearest such decimal to the value, halves to even on the exact binary
//   value: the same digits as glibc's printf("%.6e") (or "%.14e").
// - Round trip: the single (double) that Val reads back from the text has
//   the same Str text. Two exceptions, both inherent in rounding to 7 (15)
//   digits: a power of ten whose nearest single lies more than half a
//   7-digit step below it (1E+28 and 1E-38) reads back as a single whose
//   text is the one just below it, which is then stable; and the largest
//   doubles give 1.79769313486232E+308, beyond the largest double, which Val
//   reads as an overflow.
// - Format's shape: no leading zero, no trailing zero after the point, at
//   most as many fraction digits as '#' after the pattern's point, and the
//   point present exactly when the pattern has one; its digits are those of
//   the Str text rounded half away from zero, computed here on the decimal
//   string by a plain schoolbook reference.
// - toText, which skips the intermediate text, gives the same texts as
//   Str and Format of Str.

#include "numbertext.h"
#include "runtimeerror.h"
#include "val.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace {

using talbrix::Number;
using talbrix::NumericType;
using talbrix::TextForm;

// value = d1.d2d3... x 10^exponent; digits carry no leading or trailing
// zero, and are empty for zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;

    bool operator==(const Decimal &) const = default;
};

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void normalise(Decimal &decimal)
{
    const auto first = decimal.digits.find_first_not_of('0');
    if (first == std::string::npos) {
        decimal = Decimal {};
        return;
    }
    decimal.exponent -= static_cast<int>(first);
    decimal.digits.erase(0, first);
    decimal.digits.erase(decimal.digits.find_last_not_of('0') + 1);
}

// Reads a Str text, checking its shape on the way; nullopt if it is not one.
std::optional<Decimal> parseStr(std::string_view text, bool &exponentForm)
{
    if (text.size() < 2 || (text[0] != ' ' && text[0] != '-'))
        return std::nullopt;
    Decimal decimal;
    decimal.negative = text[0] == '-';
    std::string_view body = text.substr(1);
    exponentForm = false;
    if (body == "0")
        return decimal.negative ? std::nullopt : std::optional<Decimal>(Decimal {});

    const auto e = body.find('E');
    std::string_view mantissa = body.substr(0, e);
    int exponent = 0;
    if (e != std::string_view::npos) {
        exponentForm = true;
        const std::string_view tail = body.substr(e + 1);
        // E, a sign, at least two digits, no needless leading zero.
        if (tail.size() < 3 || (tail[0] != '+' && tail[0] != '-'))
            return std::nullopt;
        for (const char c : tail.substr(1)) {
            if (!isDigit(c))
                return std::nullopt;
            exponent = exponent * 10 + (c - '0');
        }
        if (tail.size() > 3 && tail[1] == '0')
            return std::nullopt;
        if (tail[0] == '-')
            exponent = -exponent;
        // d or d.ddd with d non-zero
        if (mantissa.empty() || mantissa[0] < '1' || mantissa[0] > '9' || (mantissa.size() > 1 && mantissa[1] != '.'))
            return std::nullopt;
    }
    const auto point = mantissa.find('.');
    const std::string_view integer = mantissa.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view {} : mantissa.substr(point + 1);
    if (point != std::string_view::npos && (fraction.empty() || fraction.back() == '0'))
        return std::nullopt; // no trailing point, no trailing zero
    if (!integer.empty() && integer[0] == '0')
        return std::nullopt; // no zero before the point
    if (integer.empty() && fraction.empty())
        return std::nullopt;
    for (const char c : integer)
        if (!isDigit(c))
            return std::nullopt;
    for (const char c : fraction)
        if (!isDigit(c))
            return std::nullopt;
    decimal.digits = std::string(integer) + std::string(fraction);
    decimal.exponent = static_cast<int>(integer.size()) - 1 + exponent;
    normalise(decimal);
    if (decimal.digits.empty())
        return std::nullopt;
    return decimal;
}

// The correctly rounded digits from glibc's printf "%.Ne".
Decimal printfDigits(double magnitude, int significant, bool negative)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", significant - 1, magnitude);
    Decimal decimal;
    decimal.negative = negative;
    const char *p = buffer;
    for (; *p != 'e'; ++p)
        if (*p != '.')
            decimal.digits += *p;
    decimal.exponent = std::atoi(p + 1);
    normalise(decimal);
    if (decimal.digits.empty())
        decimal.negative = false;
    return decimal;
}

std::string describe(const Decimal &d)
{
    return std::string(d.negative ? "-" : "+") + "0." + d.digits + "E" + std::to_string(d.exponent + 1);
}

// Format of a Str text by the schoolbook method on its exact decimal digits.
std::string referenceFormat(const Decimal &value, std::string_view pattern)
{
    const auto point = pattern.find('.');
    std::size_t fractionDigits = 0;
    if (point != std::string_view::npos)
        for (std::size_t i = point + 1; i < pattern.size(); ++i)
            fractionDigits += pattern[i] == '#' ? 1 : 0;

    std::string integer;
    std::string fraction;
    const int pointPosition = value.exponent + 1; // digits before the point
    const int count = static_cast<int>(value.digits.size());
    if (value.digits.empty()) {
        // zero
    } else if (pointPosition <= 0) {
        fraction = std::string(static_cast<std::size_t>(-pointPosition), '0') + value.digits;
    } else if (pointPosition >= count) {
        integer = value.digits + std::string(static_cast<std::size_t>(pointPosition - count), '0');
    } else {
        integer = value.digits.substr(0, static_cast<std::size_t>(pointPosition));
        fraction = value.digits.substr(static_cast<std::size_t>(pointPosition));
    }
    if (fraction.size() > fractionDigits) {
        const bool up = fraction[fractionDigits] >= '5';
        fraction.resize(fractionDigits);
        if (up) {
            std::string all = "0" + integer + fraction;
            std::size_t i = all.size();
            while (all[--i] == '9')
                all[i] = '0';
            ++all[i];
            integer = all.substr(0, all.size() - fraction.size());
            fraction = all.substr(all.size() - fraction.size());
        }
    }
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
    const auto lastNonZero = fraction.find_last_not_of('0');
    fraction.erase(lastNonZero == std::string::npos ? 0 : lastNonZero + 1);
    const bool hasPoint = point != std::string_view::npos;
    if (integer.empty() && fraction.empty())
        return hasPoint ? "." : "";
    return (value.negative ? "-" : "") + integer + (hasPoint ? "." + fraction : "");
}

void checkFormatShape(const std::string &out, std::string_view pattern, const std::string &context)
{
    const auto point = pattern.find('.');
    std::size_t fractionDigits = 0;
    if (point != std::string_view::npos)
        for (std::size_t i = point + 1; i < pattern.size(); ++i)
            fractionDigits += pattern[i] == '#' ? 1 : 0;
    std::string_view rest = out;
    if (!rest.empty() && rest[0] == '-')
        rest.remove_prefix(1);
    const auto outPoint = rest.find('.');
    if ((outPoint != std::string_view::npos) != (point != std::string_view::npos))
        fail(context + ": point present in the output and the pattern differ");
    const std::string_view integer = rest.substr(0, outPoint);
    const std::string_view fraction = outPoint == std::string_view::npos ? std::string_view {} : rest.substr(outPoint + 1);
    for (const char c : integer)
        if (!isDigit(c))
            fail(context + ": not a digit");
    for (const char c : fraction)
        if (!isDigit(c))
            fail(context + ": not a digit in the fraction");
    if (!integer.empty() && integer[0] == '0')
        fail(context + ": leading zero");
    if (fraction.size() > fractionDigits)
        fail(context + ": more fraction digits than the pattern has '#'");
    if (!fraction.empty() && fraction.back() == '0')
        fail(context + ": trailing zero after the point");
    if (out[0] == '-' && integer.empty() && fraction.empty())
        fail(context + ": a sign on nothing");
}

// The largest text of `significant` digits below a power of ten.
Decimal justBelow(const Decimal &powerOfTen, int significant)
{
    Decimal below = powerOfTen;
    below.digits = std::string(static_cast<std::size_t>(significant), '9');
    --below.exponent;
    return below;
}

void checkStr(Number number, const std::string &text, int significant, int plainLimit)
{
    const std::string context = "Str(" + std::to_string(number.value) + ") = '" + text + "'";
    bool exponentForm = false;
    const auto parsed = parseStr(text, exponentForm);
    if (!parsed)
        fail(context + ": not a Str text");
    if (static_cast<int>(parsed->digits.size()) > significant)
        fail(context + ": too many significant digits");
    const Decimal nearest = number.value == 0 ? Decimal {} : printfDigits(std::fabs(number.value), significant, number.value < 0);
    if (!(*parsed == nearest))
        fail(context + ": not the nearest, expected " + describe(nearest));
    const bool plain = parsed->digits.empty() || (parsed->exponent >= -4 && parsed->exponent < plainLimit);
    if (plain == exponentForm)
        fail(context + ": plain and exponent forms swapped");
}

std::string strOfReadBack(const std::string &text, NumericType type)
{
    const double read = talbrix::val(text);
    return type == NumericType::Single ? talbrix::str(Number::single(static_cast<float>(read)))
                                       : talbrix::str(Number::dbl(read));
}

void checkRoundTrip(const std::string &text, NumericType type, int significant)
{
    std::string again;
    try {
        again = strOfReadBack(text, type);
    } catch (const talbrix::RuntimeError &) {
        // The largest doubles round to 15 digits above the largest double,
        // and Val reads a number beyond range as an overflow.
        if (type == NumericType::Double && text.substr(1) == "1.79769313486232E+308")
            return;
        fail("round trip: Val cannot read back '" + text + "'");
    }
    if (again == text)
        return;
    bool exponentForm = false;
    const auto parsed = parseStr(text, exponentForm);
    const auto reparsed = parseStr(again, exponentForm);
    const bool powerOfTen = parsed && parsed->digits == "1";
    if (!powerOfTen || !reparsed || !(*reparsed == justBelow(*parsed, significant)))
        fail("round trip: '" + text + "' reads back as '" + again + "'");
    if (strOfReadBack(again, type) != again)
        fail("round trip: '" + again + "' is not stable");
}

void checkFormat(Number number, const std::string &text, std::string_view pattern)
{
    const std::string out = talbrix::format(text, pattern);
    const std::string context = "Format('" + text + "', '" + std::string(pattern) + "') = '" + out + "'";
    checkFormatShape(out, pattern, context);
    bool exponentForm = false;
    const auto parsed = parseStr(text, exponentForm);
    if (parsed && out != referenceFormat(*parsed, pattern))
        fail(context + ": expected '" + referenceFormat(*parsed, pattern) + "'");
    const std::string patternText(pattern);
    if (talbrix::toText(number, TextForm::format(patternText.c_str())) != out)
        fail(context + ": toText differs");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int mode = data[0] % 3;
    const std::size_t valueSize = mode == 1 ? 8 : 4;
    unsigned char bytes[8] = {};
    std::memcpy(bytes, data + 1, std::min(valueSize, size - 1));
    std::string pattern;
    for (std::size_t i = 1 + valueSize; i < size && pattern.size() < 30; ++i)
        pattern += data[i] % 4 == 0 ? '.' : '#';

    Number number {};
    float single = 0;
    double dbl = 0;
    std::int32_t integer = 0;
    switch (mode) {
    case 0:
        std::memcpy(&single, bytes, sizeof single);
        number = Number::single(single);
        break;
    case 1:
        std::memcpy(&dbl, bytes, sizeof dbl);
        number = Number::dbl(dbl);
        break;
    default:
        std::memcpy(&integer, bytes, sizeof integer);
        number = Number::integer(integer);
        break;
    }

    const std::string text = talbrix::str(number);
    if (talbrix::toText(number, TextForm::str()) != text)
        fail("toText and Str differ for '" + text + "'");
    if (!std::isfinite(number.value)) {
        // No formula stores one; it must only convert without harm.
        (void)talbrix::format(text, pattern);
        return 0;
    }
    switch (number.type) {
    case NumericType::Single:
        checkStr(number, text, 7, 7);
        checkRoundTrip(text, NumericType::Single, 7);
        break;
    case NumericType::Double:
        checkStr(number, text, 15, 15);
        checkRoundTrip(text, NumericType::Double, 15);
        break;
    case NumericType::Integer:
        if (text != (integer < 0 ? "" : " ") + std::to_string(integer))
            fail("Str(" + std::to_string(integer) + ") = '" + text + "'");
        break;
    }
    checkFormat(number, text, pattern);
    return 0;
}
