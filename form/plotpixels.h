#pragma once

// How the model's plot coordinates and colours become pixels, for every
// edition and test that draws or checks the trace.

#include "formtable.h"

#include <cstdint>
#include <optional>

namespace talbrix::form {

// Whole pixels of a length in twips, rounded down.
constexpr int pixels(int twips)
{
    return twips / twipsPerPixel;
}

// Picture1's drawing area inside its sunken border: 645 x 157 pixels.
inline constexpr int drawingWidth = pixels(picture1.rect.width) - 2 * picture1.border;
inline constexpr int drawingHeight = pixels(picture1.rect.height) - 2 * picture1.border;

struct Pixel {
    int column, row; // of the drawing area

    bool operator==(const Pixel &) const = default;
};

// The pixel a point at twips (x, y) of the drawing area sets: (x / 15, y / 15)
// rounded down. A point left of or above the area, or beyond it, sets none:
// it is dropped, never clipped to an edge or wrapped.
constexpr std::optional<Pixel> plotPixel(std::int16_t x, std::int16_t y)
{
    if (x < 0 || y < 0)
        return std::nullopt;
    const Pixel pixel { pixels(x), pixels(y) };
    if (pixel.column >= drawingWidth || pixel.row >= drawingHeight)
        return std::nullopt;
    return pixel;
}

struct Rgb {
    std::uint8_t red, green, blue;

    bool operator==(const Rgb &) const = default;
};

// The plot takes colours as 0xBBGGRR: red in the low byte, blue in the high.
constexpr Rgb rgbOf(std::int32_t colour)
{
    return { static_cast<std::uint8_t>(colour & 0xFF), static_cast<std::uint8_t>((colour >> 8) & 0xFF),
        static_cast<std::uint8_t>((colour >> 16) & 0xFF) };
}

constexpr std::int32_t colourOf(Rgb rgb)
{
    return rgb.red | (rgb.green << 8) | (rgb.blue << 16);
}

} // namespace talbrix::form
