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
        // A picture opened by mistake, not a screenful of escapes.
        { "\x89PNG", "not a UTF-8 text file (the line holds bytes that are not UTF-8)" },
    };
    for (const auto &[line, message] : cases)
        EXPECT_EQ(parseScenarioLine(line).error, message);
}

// Text8 holds what the heart-rate box holds and shows whole, so a run kept in
// a window replays as the file says (a 40,000-digit rate once came back cut,
// bytes that are not UTF-8 as replacement characters).
TEST(ScenarioParser, Text8HoldsWhatTheBoxCanHold)
{
    const std::string longest(32767, '9');
    EXPECT_TRUE(parseScenarioLine("text8 " + longest).command);
    EXPECT_EQ(parseScenarioLine("text8 " + longest + "9").error, "text8 holds at most 32767 characters, got 32768");
    std::string astral; // U+1F600 takes two of the box's characters
    for (int i = 0; i < 16384; ++i)
        astral += "\xF0\x9F\x98\x80";
    EXPECT_EQ(parseScenarioLine("text8 " + astral).error, "text8 holds at most 32767 characters, got 32768");
    EXPECT_TRUE(parseScenarioLine("text8 \xC3\xA9\xE2\x82\xAC 72").command); // e acute, euro sign
    for (const char *bytes : { "\xFF\xFE" "12", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80" })
        EXPECT_EQ(parseScenarioLine(std::string("text8 ") + bytes).error.rfind("text8 must be UTF-8 text, got '\\x", 0),
            0u)
            << bytes;
}

TEST(ScenarioParser, ReaderNumbersLinesAndSkipsAByteOrderMarkAtTheStart)
{
    ScenarioReader reader;
    EXPECT_TRUE(reader.parseNext("\xEF\xBB\xBFticks 5").command);
    const ParsedLine second = reader.parseNext("\xEF\xBB\xBFticks 5");
    EXPECT_EQ(reader.message(second.error), "line 2: unknown command '\\xEF\\xBB\\xBFticks'");
    // A binary file, or text in UTF-16, is not taken line by line for
    // commands it cannot hold; nor is a line no scenario needs.
    reader.parseNext(std::string("ticks 5\0", 8));
    EXPECT_EQ(reader.message(reader.parseNext(std::string("\xFF\xFEt\0i\0", 6)).error),
        "line 4: not a UTF-8 text file (the line holds a NUL byte)");
    EXPECT_EQ(reader.parseNext("text8 " + std::string(maxLineBytes, '1')).error,
        "longer than 131072 bytes: not a scenario line");
}

} // namespace
} // namespace talbrix
