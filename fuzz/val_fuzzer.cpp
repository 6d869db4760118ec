// Val on arbitrary bytes: the text a student may type into the heart-rate box.
//
// Properties checked for every input:
// - Val returns a number or throws RuntimeError(Overflow), nothing else.
// - It throws exactly when the number the text starts with cannot be held:
//   a decimal number whose magnitude rounds beyond the largest double, or an
//   &H/&O number wider than 32 bits. Every other text reads without error.
// - The value is that of a plain reading: blanks, tabs and line feeds
//   removed, then the longest prefix of the form sign, digits, point,
//   digits, exponent (E or D, sign, digits) handed to strtod in the "C"
//   locale (correctly rounded), or the &H/&O digits as a signed 32-bit value;
//   no digit at all reads as 0. Compared bit for bit, sign of zero included.

#include "runtimeerror.h"
#include "val.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>
#include <string_view>

namespace {

struct Reading {
    bool overflow = false;
    double value = 0;
};

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int radixDigit(char c, int radix)
{
    int digit = 99;
    if (isDigit(c))
        digit = c - '0';
    else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
    return digit < radix ? digit : -1;
}

Reading readRadix(const std::string &text, std::size_t i, int radix)
{
    std::uint64_t value = 0;
    for (; i < text.size() && radixDigit(text[i], radix) >= 0; ++i) {
        value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(radixDigit(text[i], radix));
        if (value > 0xFFFFFFFFu)
            return { true, 0 };
    }
    return { false, static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value))) };
}

Reading readDecimal(const std::string &text)
{
    std::string number;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        number += text[i++];
    bool anyDigit = false;
    for (; i < text.size() && isDigit(text[i]); ++i, anyDigit = true)
        number += text[i];
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        for (; i < text.size() && isDigit(text[i]); ++i, anyDigit = true)
            number += text[i];
    }
    if (!anyDigit)
        return { false, 0.0 };
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            exponent += text[j++];
        const std::size_t firstDigit = j;
        for (; j < text.size() && isDigit(text[j]); ++j)
            exponent += text[j];
        if (j > firstDigit)
            number += exponent; // "1E" and "1E+" read as 1
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t {});
    const double value = strtod_l(number.c_str(), nullptr, cLocale);
    return { std::isinf(value), value };
}

Reading plainReading(std::string_view raw)
{
    std::string text;
    for (const char c : raw) {
        if (c != ' ' && c != '\t' && c != '\n')
            text += c;
    }
    if (!text.empty() && text[0] == '&') {
        if (text.size() > 1 && (text[1] == 'H' || text[1] == 'h'))
            return readRadix(text, 2, 16);
        if (text.size() > 1 && (text[1] == 'O' || text[1] == 'o'))
            return readRadix(text, 2, 8);
        return { false, 0.0 };
    }
    return readDecimal(text);
}

[[noreturn]] void fail(std::string_view text, const char *what, double got, double expected)
{
    std::fprintf(stderr, "Val(\"%.*s\"): %s (got %.17g, expected %.17g)\n", static_cast<int>(text.size()),
        text.data(), what, got, expected);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // Val saturates exponents past a million digits' worth of shift; only a
    // text of megabytes could tell, and no one types that into a text box.
    if (size > 100000)
        return 0;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const Reading expected = plainReading(text);
    double got = 0;
    try {
        got = talbrix::val(text);
    } catch (const talbrix::RuntimeError &error) {
        if (error.kind() != talbrix::RuntimeError::Kind::Overflow)
            fail(text, "threw an error other than Overflow", 0, expected.value);
        if (!expected.overflow)
            fail(text, "threw Overflow for a number within range", 0, expected.value);
        return 0;
    }
    if (expected.overflow)
        fail(text, "read a number beyond range without error", got, expected.value);
    if (std::memcmp(&got, &expected.value, sizeof got) != 0)
        fail(text, "disagrees with the plain reading", got, expected.value);
    return 0;
}
