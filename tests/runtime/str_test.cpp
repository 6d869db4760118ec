#include "numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace talbrix {
namespace {

struct StrCase {
    const char *name;
    Number number;
    const char *expected;
};

class Str : public ::testing::TestWithParam<StrCase> { };

TEST_P(Str, WritesTheText)
{
    EXPECT_EQ(str(GetParam().number), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, Str,
    ::testing::Values(StrCase { "LoadPressure", Number::single(40.0f), " 40" },
        StrCase { "Zero", Number::single(0.0f), " 0" }, StrCase { "NegativeZeroIsPlainZero", Number::dbl(-0.0), " 0" },
        StrCase { "NoZeroBeforeThePoint", Number::single(0.81f), " .81" },
        StrCase { "SevenDigitsOfASingle", Number::single(1.3333334f), " 1.333333" },
        StrCase { "RoundsToNearestSeventhDigit", Number::single(2.6666667f), " 2.666667" },
        StrCase { "NegativeHasMinusInsteadOfBlank", Number::single(-2.5f), "-2.5" },
        StrCase { "FifteenDigitsOfADouble", Number::dbl(1.0 / 3.0), " .333333333333333" },
        StrCase { "DoubleWholeNumber", Number::dbl(3997.0), " 3997" },
        StrCase { "Integer", Number::integer(5000), " 5000" },
        StrCase { "NegativeInteger", Number::integer(-2147483647 - 1), "-2147483648" },
        StrCase { "SmallestPlainMagnitude", Number::single(0.0001f), " .0001" },
        StrCase { "SmallMagnitudeInExponentForm", Number::single(0.00001f), " 1E-05" },
        StrCase { "LargeSingleInExponentForm", Number::single(12345678.0f), " 1.234568E+07" },
        StrCase { "LargestPlainSingle", Number::single(9999999.0f), " 9999999" },
        StrCase { "RoundingCarriesIntoANewDigit", Number::single(9.9999996f), " 10" },
        StrCase { "LargeDouble", Number::dbl(1e300), " 1E+300" }),
    [](const auto &row) { return std::string(row.param.name); });

// An independent reading of the same rule: printf's %.7G (and %.15G) uses
// the same 7 (15) significant digits, correctly rounded, and switches to the
// exponent form at the same magnitudes; Str only drops the zero before the
// point and puts a blank before non-negative numbers.
std::string strByPrintf(double value, int digits)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*G", digits, value);
    std::string result = text;
    const bool negative = result[0] == '-';
    if (negative)
        result.erase(0, 1);
    if (result.rfind("0.", 0) == 0)
        result.erase(0, 1);
    return (negative ? "-" : " ") + result;
}

TEST(Str, AgreesWithPrintfOverRandomSingles)
{
    std::mt19937 random(20261206);
    std::uniform_int_distribution<std::uint32_t> anyBits;
    for (int i = 0; i < 300000; ++i) {
        const std::uint32_t bits = anyBits(random);
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value) || value == 0)
            continue; // printf writes -0 where Str writes a plain 0
        ASSERT_EQ(str(Number::single(value)), strByPrintf(value, 7)) << "bits " << bits;
    }
}

TEST(Str, AgreesWithPrintfOverSinglesOfEveryDayMagnitudes)
{
    // The readouts' own range, where the fast digit path runs.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> magnitude(-12.0f, 12.0f);
    for (int i = 0; i < 300000; ++i) {
        const float value = std::pow(10.0f, magnitude(random)) * (i % 2 ? 1.0f : -1.0f);
        ASSERT_EQ(str(Number::single(value)), strByPrintf(value, 7)) << value;
    }
}

TEST(Str, AgreesWithPrintfOverRandomDoubles)
{
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> magnitude(-30.0, 30.0);
    for (int i = 0; i < 100000; ++i) {
        const double value = std::pow(10.0, magnitude(random));
        ASSERT_EQ(str(Number::dbl(value)), strByPrintf(value, 15)) << value;
        const double whole = std::floor(value);
        ASSERT_EQ(str(Number::dbl(whole)), strByPrintf(whole, 15)) << whole;
    }
}

} // namespace
} // namespace talbrix
