#include "rounding.h"

#include "runtimeerror.h"

#include <cmath>

namespace talbrix {

double intPart(double x)
{
    return std::floor(x);
}

std::int16_t cint(double x)
{
    // Rounded by hand rather than with nearbyint so the result never depends
    // on the floating-point environment's rounding mode.
    if (!(x >= -32768.5 && x <= 32767.5))
        throw RuntimeError(RuntimeError::Kind::Overflow);
    double whole = std::floor(x);
    const double fraction = x - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole > 32767.0)
        throw RuntimeError(RuntimeError::Kind::Overflow);
    return static_cast<std::int16_t>(whole);
}

} // namespace talbrix
