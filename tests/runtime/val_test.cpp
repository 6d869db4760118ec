#include "runtimeerror.h"
#include "val.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

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

} // namespace
} // namespace talbrix
