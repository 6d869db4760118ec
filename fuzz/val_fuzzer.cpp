// Val on arbitrary bytes: the text a student may type into the heart-rate box.
//
// Properties checked for every input:
// - Val returns a number or throws RuntimeError(Overflow), nothing else.
// - Blanks, tabs and line feeds do not matter wherever they stand.
// - Otherwise Val is the C library's strtod in the "C" locale, bit for bit
//   (sign of zero included), of the text's start up to the first character
//   that is no digit, sign, point or exponent letter, a D exponent written
//   as E; it throws exactly where strtod gives infinity.
// - &H and &O read the digits of their radix that follow as strtoull does,
//   as a signed 32-bit value, and throw exactly beyond 32 bits; any other &
//   starts no number (0).

#include "runtimeerror.h"
#include "val.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <optional>
#include <string>
#include <string_view>

namespace {

std::optional<double> read(std::string_view text)
{
    try {
        return talbrix::val(text);
    } catch (const talbrix::RuntimeError &error) {
        if (error.kind() != talbrix::RuntimeError::Kind::Overflow)
            std::abort();
        return std::nullopt;
    }
}

void expectSame(std::optional<double> got, std::optional<double> expected, std::string_view text, const char *what)
{
    if (got.has_value() == expected.has_value() && (!got || std::memcmp(&*got, &*expected, sizeof(double)) == 0))
        return;
    std::fprintf(stderr, "Val(\"%.*s\") = %.17g, %s gives %.17g\n", static_cast<int>(text.size()), text.data(),
        got.value_or(HUGE_VAL), what, expected.value_or(HUGE_VAL));
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
    const std::optional<double> got = read(text);

    std::string plain;
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            plain += c;
    expectSame(got, read(plain), text, "the text without blanks");
    if (plain.empty() || plain[0] != '&') {
        // The number at the start, a D exponent written as E.
        std::string number = plain.substr(0, plain.find_first_not_of("0123456789+-.eEdD"));
        for (char &c : number)
            c = c == 'd' ? 'e' : c == 'D' ? 'E' : c;
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t {});
        const double expected = strtod_l(number.c_str(), nullptr, cLocale);
        expectSame(got, std::isinf(expected) ? std::nullopt : std::optional<double>(expected), text, "strtod");
    } else {
        // &H or &O and the digits of that radix that follow; any other & is no number.
        const char letter = plain.size() > 1 ? plain[1] : '\0';
        const int radix = letter == 'H' || letter == 'h' ? 16 : letter == 'O' || letter == 'o' ? 8 : 0;
        const std::string digits = radix == 0
            ? ""
            : plain.substr(2, plain.find_first_not_of(radix == 16 ? "0123456789abcdefABCDEF" : "01234567", 2) - 2);
        errno = 0;
        const unsigned long long value = digits.empty() ? 0 : std::strtoull(digits.c_str(), nullptr, radix);
        const bool wide = value > 0xFFFFFFFFull || errno == ERANGE;
        expectSame(got,
            wide ? std::nullopt : std::optional<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value))),
            text, "strtoull");
    }
    return 0;
}
