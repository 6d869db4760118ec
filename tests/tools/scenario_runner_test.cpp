#include "scenariorunner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace talbrix {
namespace {

struct RunResult {
    int status;
    std::vector<std::string> rows;
    std::string errors;
};

std::string readAll(std::FILE *file)
{
    std::rewind(file);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

RunResult run(const std::string &scenario)
{
    std::FILE *input = std::tmpfile();
    std::fwrite(scenario.data(), 1, scenario.size(), input);
    std::rewind(input);
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    const int status = runScenario(input, "'test'", out, err);
    std::fclose(input);
    RunResult result { status, {}, readAll(err) };
    std::istringstream lines(readAll(out));
    for (std::string line; std::getline(lines, line);)
        result.rows.push_back(line);
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

TEST(ScenarioRunner, HeaderLoadRowAndOneRowPerTick)
{
    const RunResult result = run("ticks 3\n");
    EXPECT_EQ(result.status, scenarioOk);
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

TEST(ScenarioRunner, CommandsActBetweenTicks)
{
    const RunResult result = run("slider 2 10\nticks 1\nfibrillate\nslider 2 0\nticks 1\n");
    ASSERT_EQ(result.rows.size(), 4u);
    EXPECT_EQ(cell(result.rows[2], 18), "2.55999994");
    EXPECT_EQ(cell(result.rows[3], 18), "0.360000014");
}

TEST(ScenarioRunner, TypedTextIsQuotedWithInnerQuotesDoubled)
{
    const RunResult result = run("text8 say \"hi\", then 1\nticks 1\n");
    ASSERT_EQ(result.rows.size(), 3u);
    EXPECT_NE(result.rows[2].find(",\"say \"\"hi\"\", then 1\","), std::string::npos) << result.rows[2];
}

TEST(ScenarioRunner, BadLineKeepsTheRowsAlreadyPrinted)
{
    const RunResult result = run("ticks 2\n\n# fine\nslider 9 1\nticks 5\n");
    EXPECT_EQ(result.status, scenarioBadLine);
    EXPECT_EQ(result.rows.size(), 4u);
    EXPECT_EQ(result.errors.rfind("line 4: ", 0), 0u) << result.errors;
}

TEST(ScenarioRunner, BeatAndClearedColumnsMarkTheBoundaryTicks)
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
