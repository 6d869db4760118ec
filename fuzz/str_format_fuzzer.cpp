// Str of arbitrary singles, doubles and 32-bit integers, and Format of that
// text with arbitrary patterns of '#' and '.': every readout's text.
//
// Input: one byte choosing the type, the value's bytes (4 or 8), then one
// byte per pattern character ('.' for a multiple of 4, '#' otherwise).
//
// Properties checked for every finite value:
// - Str is the C library's printf("%.7G") of a single (%.15G of a double,
//   %d of an integer) with the zero before the point dropped and a blank
//   before a non-negative number: the same nearest digits and the same
//   switch to the exponent form.
// - Round trip: Val reads the text back as a number with the same Str text.
//   Two exceptions, both inherent in rounding to 7 (15) digits: a power of
//   ten whose nearest single lies more than half a step below it (1E+28,
//   1E-38) reads back as the text just below it, which is then stable; and
//   the largest doubles give 1.79769313486232E+308, which Val reads as an
//   overflow.
// - Format's shape: digits, no leading zero, no trailing zero after the
//   point, at most as many fraction digits as the pattern has '#' after its
//   point, and the point exactly when the pattern has one; its value within
//   half a unit of its last place of the Str text's; and formatting it again
//   changes nothing.
// - toText, which skips the intermediate text, gives the same texts as Str
//   and Format of Str.

#include "numbertext.h"
#include "runtimeerror.h"
#include "val.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using talbrix::Number;
using talbrix::NumericType;
using talbrix::TextForm;

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

std::string byPrintf(const Number &number)
{
    char text[64];
    if (number.type == NumericType::Integer)
        std::snprintf(text, sizeof text, "%d", static_cast<int>(number.value));
    else
        std::snprintf(text, sizeof text, "%.*G", number.type == NumericType::Single ? 7 : 15, number.value);
    std::string result = text[0] == '-' ? text + 1 : text;
    if (result.rfind("0.", 0) == 0)
        result.erase(0, 1);
    return (text[0] == '-' && result != "0" ? "-" : " ") + result;
}

std::string readBack(const std::string &text, NumericType type)
{
    const double read = talbrix::val(text);
    return talbrix::str(type == NumericType::Single ? Number::single(static_cast<float>(read)) : Number::dbl(read));
}

void checkRoundTrip(const std::string &text, NumericType type)
{
    std::string again;
    try {
        again = readBack(text, type);
    } catch (const talbrix::RuntimeError &) {
        if (type == NumericType::Double && text.substr(1) == "1.79769313486232E+308")
            return;
        fail("round trip: Val cannot read back '" + text + "'");
    }
    const bool powerOfTen = text.substr(1, 2) == "1E";
    if (again != text && (!powerOfTen || again.find("9.999999") == std::string::npos || readBack(again, type) != again))
        fail("round trip: '" + text + "' reads back as '" + again + "'");
}

void checkFormat(const Number &number, const std::string &text, const std::string &pattern)
{
    const std::string out = talbrix::format(text, pattern);
    const std::string context = "Format('" + text + "', '" + pattern + "') = '" + out + "'";
    const auto point = pattern.find('.');
    const auto places = point == std::string::npos
        ? 0
        : std::count(pattern.begin() + static_cast<std::ptrdiff_t>(point), pattern.end(), '#');
    const std::string body = out.substr(out.rfind('-', 0) == 0 ? 1 : 0);
    const auto outPoint = body.find('.');
    const auto fraction = outPoint == std::string::npos ? 0 : body.size() - outPoint - 1;
    if (body.find_first_not_of("0123456789.") != std::string::npos
        || (outPoint == std::string::npos) != (point == std::string::npos) || body.rfind('0', 0) == 0
        || fraction > static_cast<std::size_t>(places) || (fraction > 0 && body.back() == '0')
        || (body.size() == (outPoint == std::string::npos ? 0 : 1) && out != body))
        fail(context + ": not the pattern's shape");
    if (text.substr(1) != "1.79769313486232E+308") { // beyond double range, see above
        const double value = talbrix::val(text);
        const double error = std::fabs(talbrix::val(out) - value) - std::fabs(value) * 1e-15;
        if (error > 0.5 * std::pow(10.0, -static_cast<double>(places)) * (1 + 1e-12))
            fail(context + ": not the nearest");
    }
    if (talbrix::format(out, pattern) != out)
        fail(context + ": formatting again changes it");
    if (talbrix::toText(number, TextForm::format(pattern.c_str())) != out)
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

    float single = 0;
    double dbl = 0;
    std::int32_t integer = 0;
    std::memcpy(&single, bytes, sizeof single);
    std::memcpy(&dbl, bytes, sizeof dbl);
    std::memcpy(&integer, bytes, sizeof integer);
    const Number number = mode == 0 ? Number::single(single) : mode == 1 ? Number::dbl(dbl) : Number::integer(integer);

    const std::string text = talbrix::str(number);
    if (talbrix::toText(number, TextForm::str()) != text)
        fail("toText and Str differ for '" + text + "'");
    if (!std::isfinite(number.value)) {
        // No formula stores one; it must only convert without harm.
        (void)talbrix::format(text, pattern);
        return 0;
    }
    if (text != byPrintf(number))
        fail("Str gives '" + text + "', printf '" + byPrintf(number) + "'");
    if (number.type != NumericType::Integer)
        checkRoundTrip(text, number.type);
    checkFormat(number, text, pattern);
    return 0;
}
