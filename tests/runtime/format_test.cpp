#include "numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace talbrix {
namespace {

struct FormatCase {
    const char *name;
    const char *text;
    const char *pattern;
    const char *expected;
};

class Format : public ::testing::TestWithParam<FormatCase> { };

TEST_P(Format, WritesThePattern)
{
    EXPECT_EQ(format(GetParam().text, GetParam().pattern), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, Format,
    ::testing::Values(FormatCase { "TwoFractionDigits", " 1.333333", "###.##", "1.33" },
        FormatCase { "PointWithoutFraction", " 110", "###.#", "110." },
        FormatCase { "NoZeroBeforeThePoint", " .5593", "###.##", ".56" },
        FormatCase { "ZeroWithPointIsALonePoint", " 0", "###.#", "." },
        FormatCase { "ZeroWithoutPointIsEmpty", " 0", "###", "" },
        FormatCase { "MeanPressureRoundsUp", " 92.6", "###", "93" },
        FormatCase { "BelowAHalfIsEmpty", " .4999999", "###", "" },
        FormatCase { "HalfGoesAwayFromZero", " 2.5", "###", "3" },
        FormatCase { "HalfOfTheTextNotOfTheBinary", " 1.005", "###.##", "1.01" },
        FormatCase { "CarryIntoNewDigit", " 9.995", "###.##", "10." },
        FormatCase { "CarryThroughThePoint", " 99.96", "###.#", "100." },
        FormatCase { "MoreIntegerDigitsThanHashes", " 123456", "###", "123456" },
        FormatCase { "TrailingFractionZerosDropped", " 1.10", "###.##", "1.1" },
        FormatCase { "SmallValueRoundsToZero", " 1.2E-05", "###.##", "." },
        FormatCase { "ExponentFormWrittenInFull", " 1E+20", "#####.##", "100000000000000000000." },
        FormatCase { "NegativeWholeNumber", "-8000", "#####.##", "-8000." },
        FormatCase { "NegativeRoundingToZeroHasNoSign", "-.004", "###.##", "." },
        FormatCase { "SmallFractionKeepsItsZeros", " .05", "###.##", ".05" },
        FormatCase { "FourFractionDigits", " 3.14159", "#.####", "3.1416" }),
    [](const auto &row) { return std::string(row.param.name); });

// toText hands Str's digits straight to Format; it must give exactly what
// formatting the printed Str text gives.
TEST(Format, OfANumberEqualsFormatOfItsStrText)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<double> magnitude(-6.0, 9.0);
    const char *patterns[] = { "###", "###.#", "###.##", "#####.##" };
    for (int i = 0; i < 100000; ++i) {
        const double value = std::pow(10.0, magnitude(random)) * (i % 3 == 0 ? -1 : 1);
        for (const char *pattern : patterns) {
            const Number single = Number::single(static_cast<float>(value));
            ASSERT_EQ(toText(single, TextForm::format(pattern)), format(str(single), pattern)) << value;
            const Number dbl = Number::dbl(std::floor(value));
            ASSERT_EQ(toText(dbl, TextForm::format(pattern)), format(str(dbl), pattern)) << value;
        }
    }
}

TEST(Format, ReadoutExamplesAtTheLoadPositions)
{
    EXPECT_EQ(toText(Number::single(0.81f), TextForm::str()), " .81");
    EXPECT_EQ(toText(Number::single(400.0f), TextForm::str()), " 400");
    EXPECT_EQ(toText(Number::integer(5000), TextForm::str()), " 5000");
    EXPECT_EQ(toText(Number::single(4.0f / 3.0f), TextForm::format("###.##")), "1.33");
    EXPECT_EQ(toText(Number::single(80.0f), TextForm::format("###")), "80");
    EXPECT_EQ(toText(Number::dbl(0.0), TextForm::format("#####.##")), ".");
}

} // namespace
} // namespace talbrix
