#include "rounding.h"

#include "runtimeerror.h"

#include <cmath>

namespace talbrix {

double intPart(double x)
{
    // Whole-number doubles below 2^52 in magnitude go through a 64-bit integer
    // (cheaper than a library call on a baseline x86-64); larger ones are
    // whole already.
    if (x > -4503599627370496.0 && x < 4503599627370496.0) {
        auto whole = static_cast<std::int64_t>(x); // truncates towards zero
        if (static_cast<double>(whole) > x)
            --whole;
        return static_cast<double>(whole);
    }
    return std::floor(x);
}

std::int16_t cint(double x)
{
    // Rounded by hand rather than with nearbyint so the result never depends
    // on the floating-point environment's rounding mode.
    if (!(x >= -32768.5 && x <= 32767.5))
        throw RuntimeError(RuntimeError::Kind::Overflow);
    // Branch-free: which way a plot coordinate rounds is a coin toss, and a
    // mispredicted branch here cost more than the rest of the rounding.
    auto whole = static_cast<std::int32_t>(x); // truncates towards zero
    whole -= static_cast<std::int32_t>(static_cast<double>(whole) > x); // now the floor
    const double fraction = x - whole; // exact for |x| < 2^52
    whole += static_cast<std::int32_t>(fraction > 0.5) | (static_cast<std::int32_t>(fraction == 0.5) & (whole & 1));
    if (whole > 32767)
        throw RuntimeError(RuntimeError::Kind::Overflow);
    return static_cast<std::int16_t>(whole);
}

} // namespace talbrix
