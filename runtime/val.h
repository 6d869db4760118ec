#pragma once

#include <string_view>

namespace talbrix {

// Val: reads the number at the start of a text. Blanks, tabs and line feeds
// are skipped wherever they stand; then an optional sign, digits with an
// optional period and an optional exponent (E or D, optional sign, digits),
// or &H hexadecimal / &O octal digits (up to 32 bits, read as a signed 32-bit
// value). Reading stops at the first character that cannot continue the
// number; no number at all reads as 0. The period is the decimal point in
// every locale.
//
// Throws RuntimeError(Overflow) for a decimal number beyond double range and
// for &H/&O values wider than 32 bits.
double val(std::string_view text);

} // namespace talbrix
