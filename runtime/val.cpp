#include "val.h"

#include "runtimeerror.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <string>

// Val reads what a user typed into a text box, so it must accept anything
// without misbehaving: the digits are gathered into a clean buffer (blanks,
// tabs and line feeds dropped wherever they stand) and converted once. Short
// numbers, the common case, are converted exactly by one division of two
// exactly representable doubles; anything longer goes to strtod in the "C"
// locale, which rounds correctly, as its significant digits and a small
// exponent.

namespace talbrix {
namespace {

constexpr std::array<double, 23> exactPowersOfTen { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12,
    1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };

bool isIgnorable(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

class Reader {
public:
    explicit Reader(std::string_view text)
        : m_text(text)
    {
    }

    // The next character that counts, or '\0' at the end.
    char peek()
    {
        while (m_position < m_text.size() && isIgnorable(m_text[m_position]))
            ++m_position;
        return m_position < m_text.size() ? m_text[m_position] : '\0';
    }

    void advance() { ++m_position; }

private:
    std::string_view m_text;
    std::size_t m_position = 0;
};

int digitValue(char c, int radix)
{
    int value = -1;
    if (isDigit(c))
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < radix ? value : -1;
}

// &H / &O: at most 32 bits, read as a signed 32-bit value (&HFFFFFFFF is -1).
double readRadix(Reader &reader, int radix)
{
    std::uint64_t accumulated = 0;
    for (int digit = digitValue(reader.peek(), radix); digit >= 0; digit = digitValue(reader.peek(), radix)) {
        accumulated = accumulated * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
        if (accumulated > 0xFFFFFFFFu)
            throw RuntimeError(RuntimeError::Kind::Overflow);
        reader.advance();
    }
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(accumulated)));
}

locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t {});
    return locale;
}

double convertSlowly(const std::string &clean)
{
    const double value = strtod_l(clean.c_str(), nullptr, cLocale());
    if (std::isinf(value))
        throw RuntimeError(RuntimeError::Kind::Overflow);
    return value; // an underflow reads as 0 (or the nearest subnormal)
}

// What a decimal number's text holds. The counts are 64-bit: a text of any
// length that fits in memory is counted exactly, and the exponent saturates
// far beyond any such length, so the number's magnitude is always known
// exactly ("0.", ten million zeros and "1e10000010" is 1e9, not 0).
struct DecimalScan {
    bool negative = false;
    bool seenDigit = false;
    std::uint64_t mantissa = 0; // the first 19 significant digits
    std::int64_t significantDigits = 0; // from the first non-zero digit on
    std::int64_t fractionDigits = 0;
    std::int64_t exponent = 0;
};

// Enough significant digits to round any decimal correctly: every halfway
// point between two doubles has at most 767 of them. Digits beyond these
// matter only through whether any is non-zero, which one more digit keeps.
constexpr std::size_t keptDigits = 780;

// Gathers the significant digits (at most keptDigits of them, plus a final
// 1 if a non-zero digit was dropped) when `digits` is given, for the rare
// number that needs strtod.
DecimalScan scanDecimal(Reader reader, std::string *digits)
{
    DecimalScan scan;
    if (reader.peek() == '+' || reader.peek() == '-') {
        scan.negative = reader.peek() == '-';
        reader.advance();
    }

    bool seenPoint = false;
    bool droppedNonZero = false;
    for (char c = reader.peek();; c = reader.peek()) {
        if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (isDigit(c)) {
            scan.seenDigit = true;
            if (scan.significantDigits > 0 || c != '0') {
                ++scan.significantDigits;
                if (digits && digits->size() < keptDigits)
                    *digits += c;
                else if (digits)
                    droppedNonZero = droppedNonZero || c != '0';
            }
            if (scan.significantDigits <= 19)
                scan.mantissa = scan.mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            if (seenPoint)
                ++scan.fractionDigits;
        } else {
            break;
        }
        reader.advance();
    }
    if (digits && droppedNonZero)
        *digits += '1';

    const char marker = reader.peek();
    if (scan.seenDigit && (marker == 'E' || marker == 'e' || marker == 'D' || marker == 'd')) {
        reader.advance();
        bool negativeExponent = false;
        if (reader.peek() == '+' || reader.peek() == '-') {
            negativeExponent = reader.peek() == '-';
            reader.advance();
        }
        // "1E" and "1E+" read as 1.
        for (char c = reader.peek(); isDigit(c); c = reader.peek()) {
            if (scan.exponent < 100'000'000'000'000'000)
                scan.exponent = scan.exponent * 10 + (c - '0');
            reader.advance();
        }
        if (negativeExponent)
            scan.exponent = -scan.exponent;
    }
    return scan;
}

double readDecimal(const Reader &reader)
{
    const DecimalScan scan = scanDecimal(reader, nullptr);
    if (!scan.seenDigit)
        return 0.0;
    if (scan.mantissa == 0)
        return scan.negative ? -0.0 : 0.0;

    // Exact when mantissa and power of ten are both exact doubles: the one
    // rounding of the division or product is then the correct rounding.
    const std::int64_t scale = scan.fractionDigits - scan.exponent;
    if (scan.significantDigits <= 15) {
        const double m = static_cast<double>(scan.mantissa);
        double value = -1;
        if (scale >= 0 && scale <= 22)
            value = m / exactPowersOfTen[static_cast<std::size_t>(scale)];
        else if (scale < 0 && scan.significantDigits - scale <= 15)
            value = m * exactPowersOfTen[static_cast<std::size_t>(-scale)];
        if (value >= 0)
            return scan.negative ? -value : value;
    }

    // The power of ten of the first significant digit decides beyond-range
    // numbers at once; anything else goes to strtod as its significant
    // digits and an exponent of a few hundred at most.
    const std::int64_t leadingPower = scan.significantDigits - 1 - scale;
    if (leadingPower > 308)
        throw RuntimeError(RuntimeError::Kind::Overflow);
    if (leadingPower < -325) // below half the smallest subnormal
        return scan.negative ? -0.0 : 0.0;
    std::string digits;
    scanDecimal(reader, &digits);
    const auto power = scan.significantDigits - static_cast<std::int64_t>(digits.size()) - scale;
    return convertSlowly((scan.negative ? "-" : "+") + digits + 'e' + std::to_string(power));
}

} // namespace

double val(std::string_view text)
{
    // The heart-rate box nearly always holds a plain whole number: read it
    // directly.
    if (!text.empty() && text.size() <= 15) {
        std::uint64_t whole = 0;
        std::size_t digits = 0;
        for (; digits < text.size() && isDigit(text[digits]); ++digits)
            whole = whole * 10 + static_cast<std::uint64_t>(text[digits] - '0');
        if (digits == text.size())
            return static_cast<double>(whole);
    }

    Reader reader(text);
    if (reader.peek() == '&') {
        reader.advance();
        const char prefix = reader.peek();
        if (prefix == 'H' || prefix == 'h') {
            reader.advance();
            return readRadix(reader, 16);
        }
        if (prefix == 'O' || prefix == 'o') {
            reader.advance();
            return readRadix(reader, 8);
        }
        return 0.0;
    }
    return readDecimal(reader);
}

} // namespace talbrix
