#include "beatlog.h"
#include "scenarioreplay.h"
#include "sessiontesting.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace talbrix {
namespace {

std::vector<std::string> rowsOf(const std::string &table)
{
    std::vector<std::string> rows;
    for (std::size_t start = 0; start < table.size();) {
        const std::size_t end = table.find('\n', start);
        rows.push_back(table.substr(start, end - start));
        start = end + 1;
    }
    return rows;
}

// The cells of a row up to its first quoted one; no numeric cell holds a comma.
std::vector<std::string> leadingCells(const std::string &row, int count)
{
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t end = row.find(',', start);
        cells.push_back(row.substr(start, end - start));
        start = end + 1;
    }
    return cells;
}

// What the controls held at a tick, as the generator set them.
struct Controls {
    std::vector<std::string> sliders { "3", "3", "4", "4", "5", "5" }; // at load
    std::string rhythm = "beating";
};

TEST(BeatLog, OneRowPerBoundaryTickWithThatTicksTextsAndControls)
{
    std::mt19937 random(16);
    const std::vector<std::string> typed { "120", "x1", "", "40", "200", "1e3", "84" };
    bool restarted = false;
    for (int round = 0; round < 12; ++round) {
        std::string scenario;
        std::map<std::uint64_t, Controls> from; // the controls from each tick on
        Controls controls;
        std::uint64_t ticks = 0;
        for (int step = 0; step < 14; ++step) {
            switch (random() % 4) {
            case 0: {
                const auto slider = random() % 6, position = random() % 11;
                scenario += "slider " + std::to_string(slider + 1) + ' ' + std::to_string(position) + '\n';
                controls.sliders[slider] = std::to_string(position);
                break;
            }
            case 1:
                controls.rhythm = random() % 2 ? "fibrillating" : "beating";
                scenario += controls.rhythm == "fibrillating" ? "fibrillate\n" : "defibrillate\n";
                break;
            case 2:
                scenario += "text8 " + typed[random() % typed.size()] + '\n';
                break;
            default:
                break;
            }
            const std::uint64_t count = 1 + random() % 900; // a sweep is some 4,800 ticks
            scenario += "ticks " + std::to_string(count) + '\n';
            from[ticks + 1] = controls;
            ticks += count;
        }

        const sessiontesting::Traced traced = sessiontesting::traceOf(scenario);
        ASSERT_EQ(traced.result.outcome, TraceRun::Outcome::Done) << traced.result.message;
        std::vector<std::string> expected; // "tick|texts" of each boundary tick
        for (const std::string &row : rowsOf(traced.trace)) {
            const std::vector<std::string> cells = leadingCells(row, 24);
            restarted = restarted || cells[23] == "1";
            if (cells[22] == "1") // the texts follow the 24 numeric cells
                expected.push_back(cells[0] + '|' + row.substr(row.find(",\"") + 1));
        }

        std::string table;
        BeatTableWriter writer([&](std::string_view block) { table += block; });
        TextLines lines(scenario);
        ASSERT_EQ(writeBeatTable(lines, writer).outcome, TraceRun::Outcome::Done);
        const std::vector<std::string> rows = rowsOf(table);
        ASSERT_EQ(rows.size(), expected.size() + 1) << scenario;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            const std::string &row = rows[i];
            const std::vector<std::string> cells = leadingCells(row, 3);
            EXPECT_EQ(cells[0], std::to_string(i));
            const std::uint64_t tick = std::stoull(cells[1]);
            EXPECT_EQ(cells[2], std::to_string(tick / 100) + '.' + std::to_string(tick % 100 / 10)
                    + std::to_string(tick % 10));
            // Texts, then the six positions and the rhythm (no commas in those).
            std::size_t textsEnd = row.size();
            for (int k = 0; k < 7; ++k)
                textsEnd = row.rfind(',', textsEnd - 1);
            const std::size_t textsStart = row.find(",\"") + 1;
            EXPECT_EQ(cells[1] + '|' + row.substr(textsStart, textsEnd - textsStart), expected[i - 1]);
            const Controls &held = std::prev(from.upper_bound(tick))->second;
            std::string controlCells;
            for (const std::string &position : held.sliders)
                controlCells += position + ',';
            EXPECT_EQ(row.substr(textsEnd + 1), controlCells + held.rhythm) << "beat " << i;
        }
    }
    EXPECT_TRUE(restarted) << "no run passed a sweep restart";
}

BeatRow beat(std::uint64_t number, std::vector<std::string> texts)
{
    BeatRow row;
    row.beat = number;
    for (std::size_t i = 0; i < texts.size(); ++i)
        row.texts[i] = texts[i];
    return row;
}

TEST(BeatLog, SteadyAfterFiveBeatsWithinOnePercentOrOneDigitStep)
{
    SteadyRule rule;
    for (std::uint64_t b = 1; b <= 4; ++b)
        rule.add(beat(b, { "95", "3997.", ".51" }));
    EXPECT_EQ(rule.steadyFrom(), std::nullopt);
    // One step of the last digit, and 0.8 %, are no change.
    rule.add(beat(5, { "96", "4029.", ".52" }));
    EXPECT_EQ(rule.steadyFrom(), 1u);
    // 1.1 % is: the count starts again from the beat that strayed.
    rule.add(beat(6, { "95", "4042.", ".51" }));
    EXPECT_EQ(rule.steadyFrom(), std::nullopt);
    for (std::uint64_t b = 7; b <= 10; ++b)
        rule.add(beat(b, { "95", "4042.", ".51" }));
    EXPECT_EQ(rule.steadyFrom(), 6u);

    // A moved slider or a change of rhythm is a new case, however alike the
    // numbers; so is a text with no readable number, unless it stays.
    BeatRow moved = beat(11, { "95", "4042.", ".51" });
    moved.sliders[1] = 8;
    rule.add(moved);
    EXPECT_EQ(rule.steadyFrom(), std::nullopt);
    SteadyRule rhythm;
    for (std::uint64_t b = 1; b <= 5; ++b) {
        BeatRow row = beat(b, { "1E999" });
        row.fibrillating = b == 5;
        rhythm.add(row);
    }
    EXPECT_EQ(rhythm.steadyFrom(), std::nullopt);
    SteadyRule unreadable;
    for (std::uint64_t b = 1; b <= 5; ++b)
        unreadable.add(beat(b, { "1E999" }));
    EXPECT_EQ(unreadable.steadyFrom(), 1u);
}

std::optional<std::uint64_t> steadyAfter(const std::string &scenario)
{
    TextLines lines(scenario);
    ScenarioReplay replay(lines, nullptr, true);
    while (replay.advance(1 << 20) == ScenarioReplay::Status::Running) { }
    return replay.run().beatLog().steadyFrom();
}

TEST(BeatLog, ARunSettlesAndSettlesAnewAfterAChange)
{
    const auto settled = steadyAfter("ticks 3000\n");
    ASSERT_TRUE(settled);
    EXPECT_EQ(*settled, 6u); // as the README says
    EXPECT_EQ(steadyAfter("ticks 3000\nslider 2 8\nticks 300\n"), std::nullopt);
    const auto again = steadyAfter("ticks 3000\nslider 2 8\nticks 3000\n");
    ASSERT_TRUE(again);
    EXPECT_GT(*again, 40u); // the slider moved at beat 39
}

} // namespace
} // namespace talbrix
