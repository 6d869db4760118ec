// The number conversions every readout and the heart-rate box go through:
// Val, Str, Format and the rounding functions, mostly as tables of cases.

#include "numbertext.h"
#include "rounding.h"
#include "runtimeerror.h"
#include "val.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace talbrix {
namespace {

struct ValCase {
    const char *name;
    std::string text;
    double expected;
};

class Val : public ::testing::TestWithParam<ValCase> { };

// 1 + 2^-53, exactly halfway between 1 and the next double.
constexpr const char *halfwayAboveOne = "1.00000000000000011102230246251565404236316680908203125";

TEST_P(Val, ReadsTheNumberAtTheStart)
{
    EXPECT_EQ(val(GetParam().text), GetParam().expected) << '"' << GetParam().text.substr(0, 80) << '"';
}

INSTANTIATE_TEST_SUITE_P(Table, Val,
    ::testing::Values(ValCase { "Whole", "80", 80 }, ValCase { "ReadoutWithLeadingBlank", " 80", 80 },
        ValCase { "BlanksTabsLineFeedsAnywhere", " 1 2\t3\n4", 1234 }, ValCase { "CarriageReturnStops", "1\r2", 1 },
        ValCase { "Fraction", "0.1", 0.1 }, ValCase { "NoDigitBeforePoint", "-.5", -0.5 },
        ValCase { "PlusSign", "+7", 7 }, ValCase { "TwoSignsAreNoNumber", "+-5", 0 },
        ValCase { "SecondPointStops", "1.2.3", 1.2 }, ValCase { "LetterStops", "12abc", 12 },
        ValCase { "NoNumber", "abc", 0 }, ValCase { "Empty", "", 0 }, ValCase { "LonePoint", ".", 0 },
        ValCase { "Exponent", "-4.5e1", -45 }, ValCase { "DExponent", "1D2", 100 },
        ValCase { "ExponentWithBlanks", "1 E - 2", 0.01 }, ValCase { "ExponentWithoutDigits", "3E", 3 },
        ValCase { "ExponentSignWithoutDigits", "3E+", 3 }, ValCase { "Underflow", "1e-400", 0 },
        ValCase { "LongMantissa", "123456789012345678901234567890", 1.2345678901234568e29 },
        ValCase { "Hex", "&HFF", 255 }, ValCase { "HexLowerCase", "&hff", 255 },
        ValCase { "HexLetterDigitA", "&HA", 10 },
        ValCase { "HexAllOnesIsMinusOne", "&HFFFFFFFF", -1 },
        ValCase { "HexLargestPositive", "&H7FFFFFFF", 2147483647 }, ValCase { "HexStopsAtNonDigit", "&H1G", 1 },
        ValCase { "Octal", "&O17", 15 }, ValCase { "OctalAllOnes", "&o37777777777", -1 },
        ValCase { "OctalStopsAtEight", "&O78", 7 }, ValCase { "PrefixWithoutDigits", "&H", 0 },
        ValCase { "UnknownPrefix", "&Z1", 0 },
        // Long texts are read exactly, whatever their count of digits.
        ValCase { "TenMillionZerosAfterThePoint", "0." + std::string(10'000'000, '0') + "1e10000010", 1e9 },
        ValCase { "TenMillionZerosBeforeTheExponent", "1" + std::string(10'000'000, '0') + "e-10000000", 1 },
        ValCase { "HalfwayRoundsToEven", std::string(halfwayAboveOne) + std::string(1000, '0'), 1 },
        ValCase { "DigitFarBeyondHalfwayRoundsUp", std::string(halfwayAboveOne) + std::string(1000, '0') + "1",
            1.0000000000000002 },
        ValCase { "HugeNegativeExponent", "5e-99999999999999999999", 0 }),
    [](const auto &row) { return std::string(row.param.name); });

TEST(Val, NumbersBeyondRangeAreOverflowErrors)
{
    for (const char *text : { "1e400", "-1e400", "&H100000000", "&O40000000000", "9999999999e999999999" }) {
        try {
            val(text);
            ADD_FAILURE() << text << " read without error";
        } catch (const RuntimeError &error) {
            EXPECT_EQ(error.kind(), RuntimeError::Kind::Overflow) << text;
            EXPECT_STREQ(error.what(), "Overflow");
        }
    }
}

// The short-number path must round exactly as a full decimal conversion.
TEST(Val, AgreesWithStrtodOnRandomDecimals)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> digitCount(1, 17);
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        const int count = digitCount(random);
        const int point = std::uniform_int_distribution<int>(0, count)(random);
        for (int d = 0; d < count; ++d) {
            if (d == point)
                text += '.';
            text += static_cast<char>('0' + digit(random));
        }
        if (i % 2)
            text += "e" + std::to_string(exponent(random));
        ASSERT_EQ(val(text), std::strtod(text.c_str(), nullptr)) << text;
    }
}

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

TEST(Str, AgreesWithPrintf)
{
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 300000; ++i) {
        // Any bit pattern, and the readouts' own magnitudes, where the fast
        // digit path runs.
        const auto bits = static_cast<std::uint32_t>(random());
        float single = 0;
        std::memcpy(&single, &bits, sizeof single);
        const double magnitude = std::pow(10.0, static_cast<double>(random() % 60000) / 1000 - 30);
        for (const float value : { single, static_cast<float>(i % 2 ? magnitude : -magnitude) })
            if (std::isfinite(value) && value != 0) { // printf writes -0 where Str writes a plain 0
                ASSERT_EQ(str(Number::single(value)), strByPrintf(value, 7)) << value;
            }
        for (const double value : { magnitude, std::floor(magnitude) })
            ASSERT_EQ(str(Number::dbl(value)), strByPrintf(value, 15)) << value;
    }
}

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
        FormatCase { "ExponentDigitNine", " 5E+19", "#####.##", "50000000000000000000." },
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
    for (int i = 0; i < 100000; ++i) {
        const double value = std::pow(10.0, static_cast<double>(random() % 15000) / 1000 - 6) * (i % 3 ? 1 : -1);
        for (const char *pattern : { "###", "###.#", "###.##", "#####.##" })
            for (const Number number : { Number::single(static_cast<float>(value)), Number::dbl(std::floor(value)) })
                ASSERT_EQ(toText(number, TextForm::format(pattern)), format(str(number), pattern)) << value;
    }
}

// A text that is not followed by a terminating zero, ending in a blank:
// under AddressSanitizer any read past its end is a fault.
TEST(Format, ReadsNothingBeyondItsText)
{
    const std::vector<char> text { '1', '.', '5', ' ' };
    EXPECT_EQ(format(std::string_view(text.data(), text.size()), "#.#"), "1.5");
}

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
