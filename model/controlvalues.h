#pragma once

#include "windowinterface.h"

#include <array>
#include <cstdint>

namespace talbrix {

// Slider positions and text-box texts at creation, shared by the real window and the
// in-memory ones.
inline constexpr std::array<std::int32_t, sliderCount> sliderLoadPositions { 3, 3, 4, 4, 5, 5 };
inline constexpr std::array<const char *, readoutCount> readoutCreationTexts { "0", "5000", "0", "50", "0", "1.33",
    ".64", "84", "400", "0", "0", "0", "0" };

} // namespace talbrix
