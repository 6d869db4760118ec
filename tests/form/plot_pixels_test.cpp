// Where a plotted point lands and in which colour: the rule both editions and
// their tests draw the trace by.

#include "plotpixels.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace talbrix::form {
namespace {

TEST(PlotPixels, PointsFallOnWholePixelsAndOutsideOnNone)
{
    EXPECT_EQ(drawingWidth, 645);
    EXPECT_EQ(drawingHeight, 157);
    EXPECT_EQ(plotPixel(0, 0), (Pixel { 0, 0 }));
    EXPECT_EQ(plotPixel(14, 29), (Pixel { 0, 1 }));
    EXPECT_EQ(plotPixel(645 * 15 - 1, 157 * 15 - 1), (Pixel { 644, 156 }));
    for (const auto &[x, y] : { std::pair<std::int16_t, std::int16_t> { 645 * 15, 0 }, { 0, 157 * 15 }, { -1, 0 },
             { 0, -1 }, { 645 * 15, 157 * 15 } })
        EXPECT_EQ(plotPixel(x, y), std::nullopt) << x << ',' << y;
}

TEST(PlotPixels, ColoursHaveRedInTheLowByte)
{
    EXPECT_EQ(rgbOf(0xFF0000), (Rgb { 0, 0, 255 }));
    EXPECT_EQ(rgbOf(0x123456), (Rgb { 0x56, 0x34, 0x12 }));
    EXPECT_EQ(colourOf({ 0x56, 0x34, 0x12 }), 0x123456);
}

} // namespace
} // namespace talbrix::form
