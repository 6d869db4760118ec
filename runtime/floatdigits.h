#pragma once

#include <charconv>
#include <cstdio>

namespace talbrix {

// Shortest exact decimal text of a float or double, in scientific form with
// `precision` digits after the point ("d.ddde+XX"), or in printf's %.*g form.
// std::to_chars is specified to give exactly printf's digits; where the
// standard library lacks it for floating point (the WebAssembly build's), a
// correctly rounding snprintf writes the same bytes. Returns the end of the
// text; the buffer must hold 32 characters.
inline char *writeScientific(char *first, char *last, double value, int precision)
{
#if defined(__cpp_lib_to_chars)
    return std::to_chars(first, last, value, std::chars_format::scientific, precision).ptr;
#else
    const int length = std::snprintf(first, static_cast<std::size_t>(last - first), "%.*e", precision, value);
    return first + length;
#endif
}

inline char *writeGeneral(char *first, char *last, double value, int precision)
{
#if defined(__cpp_lib_to_chars)
    return std::to_chars(first, last, value, std::chars_format::general, precision).ptr;
#else
    const int length = std::snprintf(first, static_cast<std::size_t>(last - first), "%.*g", precision, value);
    return first + length;
#endif
}

} // namespace talbrix
