#include "csvoutput.h"
#include "sessiontesting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talbrix {
namespace {

using Outcome = TraceRun::Outcome;

struct RunResult {
    Outcome outcome;
    std::vector<std::string> rows;
    std::string errors;
};

RunResult run(const std::string &scenario)
{
    const sessiontesting::Traced traced = sessiontesting::traceOf(scenario);
    RunResult result { traced.result.outcome, {}, traced.result.message };
    for (std::size_t start = 0; start < traced.trace.size();) {
        const std::size_t end = traced.trace.find('\n', start);
        result.rows.push_back(traced.trace.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

// The n-th comma-separated cell of a row (cells before the texts hold no
// commas).
std::string cell(const std::string &row, int column)
{
    std::size_t start = 0;
    for (int i = 0; i < column; ++i)
        start = row.find(',', start) + 1;
    return row.substr(start, row.find(',', start) - start);
}

TEST(Trace, HeaderLoadRowAndOneRowPerTick)
{
    const RunResult result = run("ticks 3\n");
    EXPECT_EQ(result.outcome, Outcome::Done);
    ASSERT_EQ(result.rows.size(), 5u);
    EXPECT_EQ(result.rows[0].rfind("tick,simTime,beatStart,", 0), 0u);
    EXPECT_EQ(result.rows[1],
        "0,0,0,0,80,40,60,110,0,400,0,0,20,0,0,8,0,2,0.5,0,0,0,0,0,"
        "\" 40\",\"5000\",\" 0\",\"50\",\" 0\",\"1.33\",\".64\",\"84\",\"400\",\"0\",\"0\",\"0\",\"0\"");
    EXPECT_EQ(cell(result.rows[2], 0), "1");
    EXPECT_EQ(cell(result.rows[2], 1), "0.00999999978"); // %.9g of the single
    EXPECT_EQ(cell(result.rows[2], 5), "24.6913586");
    EXPECT_EQ(cell(result.rows[2], 20), "1953"); // aorticY
    EXPECT_EQ(cell(result.rows[4], 0), "3");
}

TEST(Trace, CommandsActBetweenTicks)
{
    const RunResult result = run("slider 2 10\nticks 1\nfibrillate\nslider 2 0\nticks 1\n");
    ASSERT_EQ(result.rows.size(), 4u);
    EXPECT_EQ(cell(result.rows[2], 18), "2.55999994");
    EXPECT_EQ(cell(result.rows[3], 18), "0.360000014");
}

TEST(Trace, TypedTextIsQuotedWithInnerQuotesDoubled)
{
    const RunResult result = run("text8 say \"hi\", then 1\nticks 1\n");
    ASSERT_EQ(result.rows.size(), 3u);
    EXPECT_NE(result.rows[2].find(",\"say \"\"hi\"\", then 1\","), std::string::npos) << result.rows[2];
}

TEST(Trace, BadLineKeepsTheRowsAlreadyPrinted)
{
    const RunResult result = run("ticks 2\n\n# fine\nslider 9 1\nticks 5\n");
    EXPECT_EQ(result.outcome, Outcome::BadLine);
    EXPECT_EQ(result.rows.size(), 4u);
    EXPECT_EQ(result.errors.rfind("line 4: ", 0), 0u) << result.errors;
}

TEST(Trace, BeatAndClearedColumnsMarkTheBoundaryTicks)
{
    const RunResult result = run("ticks 4827\n");
    ASSERT_EQ(result.rows.size(), 4829u);
    EXPECT_EQ(cell(result.rows[76 + 1], 22), "1"); // beat
    EXPECT_EQ(cell(result.rows[75 + 1], 22), "0");
    const std::string &restart = result.rows[4827 + 1];
    EXPECT_EQ(cell(restart, 23), "1"); // cleared
    EXPECT_EQ(cell(restart, 19), "200");
    EXPECT_EQ(cell(result.rows[4826 + 1], 19), "9652");
}

} // namespace
} // namespace talbrix

// The decimal-comma form of a table: the same fields, semicolons between
// them, commas in numbers, texts in quotes as they stand; however the table
// is cut into blocks.
TEST(Trace, TheDecimalCommaFormHoldsTheSameFieldsInAnyBlocks)
{
    const std::string standard = sessiontesting::traceOf("ticks 120\nslider 3 10\ntext8 1,5 \"x\"\nticks 5\n").trace;
    talbrix::DecimalCommaCsv whole;
    const std::string converted = whole.convert(standard);
    talbrix::DecimalCommaCsv bytewise;
    std::string pieces;
    for (const char c : standard)
        pieces += bytewise.convert(std::string_view(&c, 1));
    EXPECT_EQ(pieces, converted);
    ASSERT_EQ(converted.substr(0, 3), "\xEF\xBB\xBF");
    // Field by field: outside quotes a '.' is a ',' and a ',' a ';'; inside, nothing changes.
    std::string back;
    bool quoted = false;
    for (const char c : converted.substr(3)) {
        quoted = c == '"' ? !quoted : quoted;
        back += quoted ? c : c == ';' ? ',' : c == ',' ? '.' : c;
        EXPECT_FALSE(!quoted && c == '.');
    }
    EXPECT_EQ(back, standard);
    EXPECT_NE(converted.find(";\"1,5 \"\"x\"\"\""), std::string::npos) << "a typed text keeps its comma";
    EXPECT_NE(converted.find(";0,00999999978;"), std::string::npos) << "dt as a decimal-comma number";
}
