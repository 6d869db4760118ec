#include "rounding.h"
#include "runtimeerror.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace talbrix {
namespace {

TEST(Rounding, CIntTakesHalvesToTheEvenNeighbour)
{
    EXPECT_EQ(cint(2.5), 2);
    EXPECT_EQ(cint(3.5), 4);
    EXPECT_EQ(cint(-2.5), -2);
    EXPECT_EQ(cint(-3.5), -4);
    EXPECT_EQ(cint(2.5000001), 3);
    EXPECT_EQ(cint(-0.4), 0);
    EXPECT_EQ(cint(1952.4), 1952);
}

TEST(Rounding, CIntOverflowsOutsideSixteenBits)
{
    EXPECT_EQ(cint(32767.4), 32767);
    EXPECT_EQ(cint(-32768.5), -32768); // the even neighbour is still in range
    for (const double x : { 32767.5, 32768.0, -32768.6, -40000.0, 1e10, std::numeric_limits<double>::quiet_NaN(),
             std::numeric_limits<double>::infinity() })
        EXPECT_THROW(cint(x), RuntimeError) << x;
}

TEST(Rounding, IntIsTheFloor)
{
    EXPECT_EQ(intPart(3997.9), 3997);
    EXPECT_EQ(intPart(-0.5), -1);
    EXPECT_EQ(intPart(-3.0), -3);
    EXPECT_EQ(intPart(4503599627370495.5), 4503599627370495.0);
    EXPECT_EQ(intPart(-1e17), -1e17);
    EXPECT_EQ(intPart(1e300), 1e300);
    EXPECT_TRUE(std::signbit(intPart(-0.0)) || intPart(-0.0) == 0);
}

} // namespace
} // namespace talbrix
