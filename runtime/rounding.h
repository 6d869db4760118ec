#pragma once

#include <cstdint>

namespace talbrix {

// Int: the largest whole number not above x.
double intPart(double x);

// CInt: the nearest 16-bit integer, halves to the even neighbour; a result
// outside -32768..32767 throws RuntimeError(Overflow).
std::int16_t cint(double x);

} // namespace talbrix
