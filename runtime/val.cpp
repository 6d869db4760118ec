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
// locale, which rounds correctly for any length.

namespace talbrix {
namespace {

constexpr std::array<double, 23> exactPowersOfTen {
    1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22
};

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

double readDecimal(Reader &reader)
{
    std::string clean;
    bool negative = false;
    if (reader.peek() == '+' || reader.peek() == '-') {
        negative = reader.peek() == '-';
        reader.advance();
    }
    clean += negative ? '-' : '+';

    std::uint64_t mantissa = 0;
    int significantDigits = 0;
    int fractionDigits = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    for (char c = reader.peek();; c = reader.peek()) {
        if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (isDigit(c)) {
            seenDigit = true;
            if (significantDigits > 0 || c != '0')
                ++significantDigits;
            if (significantDigits <= 19)
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            if (seenPoint)
                ++fractionDigits;
        } else {
            break;
        }
        clean += c;
        reader.advance();
    }
    if (!seenDigit)
        return 0.0;

    long exponent = 0;
    const char marker = reader.peek();
    if (marker == 'E' || marker == 'e' || marker == 'D' || marker == 'd') {
        reader.advance();
        bool negativeExponent = false;
        if (reader.peek() == '+' || reader.peek() == '-') {
            negativeExponent = reader.peek() == '-';
            reader.advance();
        }
        bool exponentDigits = false;
        for (char c = reader.peek(); isDigit(c); c = reader.peek()) {
            exponentDigits = true;
            if (exponent < 1000000) // far beyond any double; saturate
                exponent = exponent * 10 + (c - '0');
            reader.advance();
        }
        if (!exponentDigits)
            exponent = 0; // "1E" and "1E+" read as 1
        if (negativeExponent)
            exponent = -exponent;
    }

    // Exact when mantissa and power of ten are both exact doubles: the one
    // rounding of the division or product is then the correct rounding.
    const long scale = fractionDigits - exponent;
    if (significantDigits <= 15) {
        const double m = static_cast<double>(mantissa);
        if (mantissa == 0)
            return negative ? -0.0 : 0.0;
        if (scale >= 0 && scale <= 22) {
            const double value = m / exactPowersOfTen[static_cast<std::size_t>(scale)];
            return negative ? -value : value;
        }
        if (scale < 0 && scale >= -22 && significantDigits - scale <= 15) {
            const double value = m * exactPowersOfTen[static_cast<std::size_t>(-scale)];
            return negative ? -value : value;
        }
    }
    clean += 'e';
    clean += std::to_string(exponent);
    return convertSlowly(clean);
}

} // namespace

double val(std::string_view text)
{
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
