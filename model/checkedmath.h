#pragma once

#include "runtimeerror.h"

#include <cmath>
#include <cstdint>

// Checked arithmetic for the model's formulas.
//
// Slider arithmetic is 32-bit signed integer arithmetic in which every
// addition, subtraction and multiplication is tested for overflow. Floating
// formulas are evaluated in double and checked where their result is stored
// (toSingle), at every division (divide) and at the power function (power):
// inputs are always finite stored singles, so an intermediate infinity or NaN
// can only vanish through a division or a power, and those are checked on the
// spot. The checks are explicit comparisons rather than floating-point
// exception flags, so optimisation levels and sanitizers cannot change them.

namespace talbrix::checked {

[[noreturn]] inline void fail(RuntimeError::Kind kind)
{
    throw RuntimeError(kind);
}

inline std::int32_t add(std::int32_t a, std::int32_t b)
{
    std::int32_t result = 0;
    if (__builtin_add_overflow(a, b, &result))
        fail(RuntimeError::Kind::Overflow);
    return result;
}

inline std::int32_t subtract(std::int32_t a, std::int32_t b)
{
    std::int32_t result = 0;
    if (__builtin_sub_overflow(a, b, &result))
        fail(RuntimeError::Kind::Overflow);
    return result;
}

inline std::int32_t multiply(std::int32_t a, std::int32_t b)
{
    std::int32_t result = 0;
    if (__builtin_mul_overflow(a, b, &result))
        fail(RuntimeError::Kind::Overflow);
    return result;
}

inline double finite(double x)
{
    if (std::isnan(x))
        fail(RuntimeError::Kind::InvalidOperation);
    if (std::isinf(x))
        fail(RuntimeError::Kind::Overflow);
    return x;
}

inline double divide(double dividend, double divisor)
{
    if (divisor == 0.0)
        fail(dividend == 0.0 ? RuntimeError::Kind::InvalidOperation : RuntimeError::Kind::DivisionByZero);
    return finite(dividend / divisor);
}

inline double power(double base, double exponent)
{
    return finite(std::pow(base, exponent));
}

// Rounds a double result to the single-precision field it is stored in.
inline float toSingle(double x)
{
    const auto rounded = static_cast<float>(finite(x));
    if (std::isinf(rounded))
        fail(RuntimeError::Kind::Overflow);
    return rounded;
}

} // namespace talbrix::checked
