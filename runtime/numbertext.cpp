#include "numbertext.h"

#include "floatdigits.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

// Readout texts are built from a decimal form of the value: its significant
// digits and the position of the decimal point. Str rounds the binary value
// once, to 7 (single) or 15 (double) significant digits; Format then rounds
// those decimal digits again to the pattern's fraction digits. Working on the
// decimal digits, rather than on a double read back from the Str text, is what
// makes Format round 1.005 to 1.01: the text says 1.005, so the half goes up,
// whatever binary value lies nearest to it.

namespace talbrix {
namespace {

// value = 0.d1 d2 ... dn x 10^pointPosition; no leading or trailing zero digit,
// so count == 0 means zero.
struct Decimal {
    bool negative = false;
    int count = 0;
    int pointPosition = 0;
    std::array<char, 40> digits {};
};

void trimTrailingZeros(Decimal &decimal)
{
    while (decimal.count > 0 && decimal.digits[static_cast<std::size_t>(decimal.count - 1)] == '0')
        --decimal.count;
    if (decimal.count == 0)
        decimal.pointPosition = 0;
}

// Parses the scientific text "d.ddde+XX" written by writeScientific.
Decimal fromScientific(const char *first, const char *last, bool negative)
{
    Decimal decimal;
    decimal.negative = negative;
    const char *p = first;
    for (; p != last && *p != 'e'; ++p) {
        if (*p != '.')
            decimal.digits[static_cast<std::size_t>(decimal.count++)] = *p;
    }
    int exponent = 0;
    if (p != last)
        std::from_chars(p + (p[1] == '+' ? 2 : 1), last, exponent);
    decimal.pointPosition = exponent + 1;
    trimTrailingZeros(decimal);
    return decimal;
}

// decimal = digits x 10^scale
void setDigits(Decimal &decimal, std::uint64_t digits, int scale)
{
    std::array<char, 24> text {};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), digits);
    decimal.count = 0;
    for (const char *p = text.data(); p != result.ptr; ++p)
        decimal.digits[static_cast<std::size_t>(decimal.count++)] = *p;
    decimal.pointPosition = decimal.count + scale;
    trimTrailingZeros(decimal);
}

__extension__ typedef unsigned __int128 UInt128;

constexpr std::array<std::uint64_t, 20> powersOfTen { 1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull,
    10000000ull, 100000000ull, 1000000000ull, 10000000000ull, 100000000000ull, 1000000000000ull, 10000000000000ull,
    100000000000000ull, 1000000000000000ull, 10000000000000000ull, 100000000000000000ull, 1000000000000000000ull,
    10000000000000000000ull };

// The 7 significant digits of a normal single between 1e-10 and 1e10,
// rounded exactly (halves to even, as std::to_chars does) with 128-bit
// integer arithmetic; several times faster than the general conversion, and
// readouts convert a handful of singles every tick. Returns false outside
// that range.
bool singleDigitsFast(float magnitude, Decimal &decimal)
{
    if (!(magnitude >= 1e-10f && magnitude < 1e10f))
        return false;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const std::uint64_t mantissa = (bits & 0x7FFFFFu) | 0x800000u;
    const int binaryExponent = static_cast<int>((bits >> 23) & 0xFFu) - 127 - 23; // value = mantissa * 2^e

    // First guess of the decimal exponent; corrected below when the rounded
    // digits come out one digit short or long.
    // value lies in [2^e, 2^(e+1)), so its decimal exponent is floor(e log10 2)
    // or one more; 78913 / 2^18 is log10 2 to 6 digits, exact enough here.
    int decimalExponent = ((binaryExponent + 23) * 78913) >> 18;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int scale = 6 - decimalExponent; // digits = value * 10^scale, in [1e6, 1e7]
        UInt128 quotient = 0;
        if (scale >= 0) {
            UInt128 scaled = static_cast<UInt128>(mantissa) * powersOfTen[static_cast<std::size_t>(scale)];
            if (binaryExponent >= 0) {
                quotient = scaled << binaryExponent;
            } else {
                const int shift = -binaryExponent;
                quotient = scaled >> shift;
                const UInt128 remainder = scaled - (quotient << shift);
                const UInt128 half = static_cast<UInt128>(1) << (shift - 1);
                if (remainder > half || (remainder == half && (quotient & 1) != 0))
                    ++quotient;
            }
        } else {
            // Only magnitudes of 1e7 and more, which are whole numbers.
            const UInt128 value = static_cast<UInt128>(mantissa) << binaryExponent;
            const std::uint64_t divisor = powersOfTen[static_cast<std::size_t>(-scale)];
            quotient = value / divisor;
            const UInt128 twiceRemainder = (value - quotient * divisor) * 2;
            if (twiceRemainder > divisor || (twiceRemainder == divisor && (quotient & 1) != 0))
                ++quotient;
        }
        if (quotient < 1000000u) {
            --decimalExponent;
        } else if (quotient > 10000000u) {
            ++decimalExponent;
        } else {
            // 9999999.5 rounds up to 10000000, which is still right.
            setDigits(decimal, static_cast<std::uint64_t>(quotient), -scale);
            return true;
        }
    }
    return false;
}

Decimal decimalOf(Number number)
{
    const double value = number.value;
    if (value == 0.0 || std::isnan(value))
        return {};
    const bool negative = value < 0;
    std::array<char, 64> buffer {};
    char *end = buffer.data();
    switch (number.type) {
    case NumericType::Single: {
        Decimal decimal;
        decimal.negative = negative;
        if (singleDigitsFast(std::fabs(static_cast<float>(value)), decimal))
            return decimal;
        end = writeScientific(
            buffer.data(), buffer.data() + buffer.size(), static_cast<double>(std::fabs(static_cast<float>(value))), 6);
        break;
    }
    case NumericType::Double:
        // Whole numbers of up to 15 digits (the cardiac output) are their own
        // 15 significant digits.
        if (std::fabs(value) < 1e15 && value == std::floor(value)) {
            Decimal decimal;
            decimal.negative = negative;
            const auto whole = static_cast<std::uint64_t>(std::fabs(value));
            setDigits(decimal, whole, 0);
            return decimal;
        }
        end = writeScientific(buffer.data(), buffer.data() + buffer.size(), std::fabs(value), 14);
        break;
    case NumericType::Integer: {
        const auto magnitude = static_cast<long long>(std::fabs(value));
        end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude).ptr;
        Decimal decimal;
        decimal.negative = negative;
        for (const char *p = buffer.data(); p != end; ++p)
            decimal.digits[static_cast<std::size_t>(decimal.count++)] = *p;
        decimal.pointPosition = decimal.count;
        trimTrailingZeros(decimal);
        return decimal;
    }
    }
    if (std::isinf(value)) {
        // Not a number any formula stores; written as the largest finite
        // value so a readout never shows garbage.
        end = writeScientific(buffer.data(), buffer.data() + buffer.size(), std::numeric_limits<double>::max(), 14);
    }
    return fromScientific(buffer.data(), end, negative);
}

// Reads a Str-shaped text (blanks, sign, digits, point, E or D exponent) into
// its decimal digits without passing through binary.
Decimal decimalOfText(std::string_view text)
{
    Decimal decimal;
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n'))
            ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        decimal.negative = text[i] == '-';
        ++i;
    }
    // Leading zeros are dropped; each one after the point moves the point.
    bool seenPoint = false;
    for (;; ++i) {
        skipBlanks();
        if (i >= text.size())
            break;
        const char c = text[i];
        if (c == '.' && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (c < '0' || c > '9')
            break;
        if (decimal.count == 0 && c == '0') {
            if (seenPoint)
                --decimal.pointPosition;
            continue;
        }
        if (!seenPoint)
            ++decimal.pointPosition;
        // Digits past the buffer cannot change a Str text; they still count
        // for the point's position.
        if (decimal.count < static_cast<int>(decimal.digits.size()))
            decimal.digits[static_cast<std::size_t>(decimal.count++)] = c;
    }
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        ++i;
        skipBlanks();
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        long exponent = 0;
        for (;; ++i) {
            skipBlanks();
            if (i >= text.size() || text[i] < '0' || text[i] > '9')
                break;
            if (exponent < 100000)
                exponent = exponent * 10 + (text[i] - '0');
        }
        decimal.pointPosition += static_cast<int>(negativeExponent ? -exponent : exponent);
    }
    trimTrailingZeros(decimal);
    return decimal;
}

void appendZeros(std::string &out, int count)
{
    if (count > 0)
        out.append(static_cast<std::size_t>(count), '0');
}

void appendDigits(std::string &out, const Decimal &decimal, int from, int to)
{
    out.append(decimal.digits.data() + from, static_cast<std::size_t>(to - from));
}

// Plain notation: integer digits, then the point and the fraction if any.
void appendPlain(std::string &out, const Decimal &decimal)
{
    const int n = decimal.count;
    const int point = decimal.pointPosition;
    if (point <= 0) {
        out += '.';
        appendZeros(out, -point);
        appendDigits(out, decimal, 0, n);
    } else if (point >= n) {
        appendDigits(out, decimal, 0, n);
        appendZeros(out, point - n);
    } else {
        appendDigits(out, decimal, 0, point);
        out += '.';
        appendDigits(out, decimal, point, n);
    }
}

void appendScientific(std::string &out, const Decimal &decimal)
{
    out += decimal.digits[0];
    if (decimal.count > 1) {
        out += '.';
        appendDigits(out, decimal, 1, decimal.count);
    }
    const int exponent = decimal.pointPosition - 1;
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10)
        out += '0';
    out += std::to_string(magnitude);
}

void writeStr(const Decimal &decimal, NumericType type, std::string &out)
{
    out.clear();
    out += decimal.negative ? '-' : ' ';
    if (decimal.count == 0) {
        out += '0';
        return;
    }
    const int exponent = decimal.pointPosition - 1;
    const int plainLimit = type == NumericType::Single ? 7 : 15;
    if (type == NumericType::Integer || (exponent >= -4 && exponent < plainLimit))
        appendPlain(out, decimal);
    else
        appendScientific(out, decimal);
}

// Rounds to `fractionDigits` digits after the point, halves away from zero.
void roundToFraction(Decimal &decimal, int fractionDigits)
{
    const int keep = decimal.pointPosition + fractionDigits;
    if (keep >= decimal.count)
        return;
    if (keep < 0) {
        decimal.count = 0;
        decimal.pointPosition = 0;
        return;
    }
    const bool roundUp = decimal.digits[static_cast<std::size_t>(keep)] >= '5';
    decimal.count = keep;
    if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && decimal.digits[static_cast<std::size_t>(i)] == '9') {
            decimal.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++decimal.digits[static_cast<std::size_t>(i)];
        } else {
            // 9.99 -> 10.0: a new leading digit, everything else zero.
            decimal.digits[0] = '1';
            decimal.count = 1;
            ++decimal.pointPosition;
        }
    }
    trimTrailingZeros(decimal);
}

void writeFormat(Decimal decimal, std::string_view pattern, std::string &out)
{
    const auto point = pattern.find('.');
    int fractionDigits = 0;
    if (point != std::string_view::npos) {
        for (std::size_t i = point + 1; i < pattern.size(); ++i)
            fractionDigits += pattern[i] == '#' ? 1 : 0;
    }
    roundToFraction(decimal, fractionDigits);

    out.clear();
    if (decimal.count == 0) {
        if (point != std::string_view::npos)
            out += '.';
        return;
    }
    if (decimal.negative)
        out += '-';
    const int n = decimal.count;
    const int integerEnd = decimal.pointPosition;
    if (integerEnd > 0) {
        appendDigits(out, decimal, 0, std::min(integerEnd, n));
        appendZeros(out, integerEnd - n);
    }
    if (point != std::string_view::npos) {
        out += '.';
        if (n > integerEnd) {
            appendZeros(out, -integerEnd);
            appendDigits(out, decimal, std::max(integerEnd, 0), n);
        }
    }
}

} // namespace

void str(Number number, std::string &out)
{
    writeStr(decimalOf(number), number.type, out);
}

std::string str(Number number)
{
    std::string out;
    str(number, out);
    return out;
}

std::string format(std::string_view text, std::string_view pattern)
{
    std::string out;
    writeFormat(decimalOfText(text), pattern, out);
    return out;
}

void toText(Number number, TextForm form, std::string &out)
{
    // Format reads back exactly the digits Str wrote, so the decimal form
    // is handed over directly instead of being printed and parsed again.
    const Decimal decimal = decimalOf(number);
    if (form.isStr())
        writeStr(decimal, number.type, out);
    else
        writeFormat(decimal, form.pattern, out);
}

std::string toText(Number number, TextForm form)
{
    std::string out;
    toText(number, form, out);
    return out;
}

} // namespace talbrix
