#include "scenario.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace talbrix {
namespace {

TEST(ScenarioParser, CommandsAndTheirArguments)
{
    auto slider = parseScenarioLine("slider 3 10");
    ASSERT_TRUE(slider.command);
    EXPECT_EQ(std::get<SliderCommand>(*slider.command).slider, 3);
    EXPECT_EQ(std::get<SliderCommand>(*slider.command).position, 10);

    auto ticks = parseScenarioLine("  ticks\t0  ");
    ASSERT_TRUE(ticks.command);
    EXPECT_EQ(std::get<TicksCommand>(*ticks.command).count, 0u);

    EXPECT_TRUE(std::holds_alternative<FibrillateCommand>(*parseScenarioLine("fibrillate").command));
    EXPECT_TRUE(std::holds_alternative<DefibrillateCommand>(*parseScenarioLine("defibrillate\r").command));
}

TEST(ScenarioParser, Text8KeepsTheRestOfTheLineVerbatim)
{
    const auto text = [](const char *line) { return std::get<Text8Command>(*parseScenarioLine(line).command).text; };
    EXPECT_EQ(text("text8 100"), "100");
    EXPECT_EQ(text("text8  1 2 "), " 1 2 "); // only the one blank after the word goes
    EXPECT_EQ(text("text8 \"quoted\", # not a comment"), "\"quoted\", # not a comment");
    EXPECT_EQ(text("text8 "), "");
    EXPECT_EQ(text("text8"), "");
}

TEST(ScenarioParser, BlankAndCommentLinesAreNothing)
{
    for (const char *line : { "", "   ", "\t", "# a comment", "   # indented comment", "\r" }) {
        const auto parsed = parseScenarioLine(line);
        EXPECT_FALSE(parsed.command) << line;
        EXPECT_TRUE(parsed.error.empty()) << line;
    }
}

TEST(ScenarioParser, InvalidLinesSayWhy)
{
    for (const char *line : { "slider 0 5", "slider 7 5", "slider 1 11", "slider 1 -1", "slider 1", "slider 1 2 3",
             "slider one 2", "slider 1 2.5", "ticks -1", "ticks", "ticks 1 2", "ticks x", "ticks 99999999999999999999",
             "fibrillate now", "Ticks 1", "text8x", "run 5" }) {
        const auto parsed = parseScenarioLine(line);
        EXPECT_FALSE(parsed.command) << line;
        EXPECT_FALSE(parsed.error.empty()) << line;
    }
}

TEST(ScenarioParser, MessagesNameTheLimitAndShowEveryByte)
{
    const std::pair<std::string, std::string> cases[] = {
        { "ticks 99999999999999999999",
            "tick count must be at most 18446744073709551615, got '99999999999999999999'" },
        { std::string("ticks 5\0", 8), "tick count must be a whole number >= 0, got '5\\x00'" },
        { "ticks\xC2\xA0" "5", "unknown command 'ticks\\xC2\\xA05'" }, // a no-break space
        { "slider " + std::string(100, '7') + " 1", "slider number must be 1..6, got '" + std::string(80, '7') + "...'" },
    };
    for (const auto &[line, message] : cases)
        EXPECT_EQ(parseScenarioLine(line).error, message);
}

TEST(ScenarioParser, ReaderNumbersLinesAndSkipsAByteOrderMarkAtTheStart)
{
    ScenarioReader reader;
    EXPECT_TRUE(reader.parseNext("\xEF\xBB\xBFticks 5").command);
    const ParsedLine second = reader.parseNext("\xEF\xBB\xBFticks 5");
    EXPECT_EQ(reader.message(second.error), "line 2: unknown command '\\xEF\\xBB\\xBFticks'");
}

} // namespace
} // namespace talbrix
