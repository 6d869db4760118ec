#include "beatlog.h"
#include "memorywindow.h"
#include "scenarioreplay.h"
#include "sessiontesting.h"

#include <gtest/gtest.h>

#include <array>
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

TEST(BeatLog, KeepsTheLatestRowsAndCountsThemAll)
{
    MemoryWindow window;
    BeatLog kept(true, 3), none(false);
    for (std::uint64_t tick = 1; tick <= 5; ++tick) {
        for (BeatLog *log : { &kept, &none })
            log->afterTick(tick, TickOutcome { true, false, 0 }, window);
    }
    ASSERT_EQ(kept.rows().size(), 3u);
    EXPECT_EQ(kept.rows().front().beat, 3u);
    EXPECT_EQ(kept.rows().back().tick, 5u);
    EXPECT_TRUE(none.rows().empty());
    for (const BeatLog *log : { &kept, &none }) {
        EXPECT_EQ(log->beats(), 5u);
        EXPECT_EQ(log->latest()->beat, 5u);
    }
}

// A beat row with the five per-beat readouts the steady rule looks at:
// stroke volume, cardiac output, end-systolic and end-diastolic volume and
// ejection fraction; the pressures as given.
BeatRow beat(std::uint64_t number, std::array<const char *, 5> perBeat, const char *pressure = "95")
{
    BeatRow row;
    row.beat = number;
    row.texts[0] = pressure;
    const std::array<std::size_t, 5> boxes { 3, 5, 10, 11, 13 };
    for (std::size_t i = 0; i < boxes.size(); ++i)
        row.texts[boxes[i] - 1] = perBeat[i];
    return row;
}

TEST(BeatLog, SteadyAfterFiveBeatsWithinTwoPercentOrOneDigitStep)
{
    SteadyRule rule;
    for (std::uint64_t b = 1; b <= 4; ++b)
        rule.add(beat(b, { "50.3", "4021.", "47.2", "97.5", ".52" }));
    EXPECT_EQ(rule.steadyFrom(), std::nullopt);
    // 1.9 %, one step of the last digit and a wandering mean pressure are no change.
    rule.add(beat(5, { "50.", "3997.", "48.1", "97.9", ".51" }, "92"));
    EXPECT_EQ(rule.steadyFrom(), 1u);
    // 2.1 % is: the count starts again from the beat that strayed.
    rule.add(beat(6, { "50.3", "4021.", "48.2", "97.5", ".52" }));
    EXPECT_EQ(rule.steadyFrom(), std::nullopt);
    for (std::uint64_t b = 7; b <= 10; ++b)
        rule.add(beat(b, { "50.3", "4021.", "48.2", "97.5", ".52" }));
    EXPECT_EQ(rule.steadyFrom(), 6u);

    // A moved slider or a change of rhythm is a new case, however alike the
    // numbers; so is a text with no readable number, unless it stays.
    BeatRow moved = beat(11, { "50.3", "4021.", "48.2", "97.5", ".52" });
    moved.sliders[1] = 8;
    rule.add(moved);
    EXPECT_EQ(rule.steadyFrom(), std::nullopt);
    SteadyRule rhythm, unreadable;
    for (std::uint64_t b = 1; b <= 5; ++b) {
        BeatRow row = beat(b, { "1E999", ".", ".", ".", "." });
        unreadable.add(row);
        row.fibrillating = b == 5;
        rhythm.add(row);
    }
    EXPECT_EQ(rhythm.steadyFrom(), std::nullopt);
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
    EXPECT_EQ(steadyAfter("ticks 3000\n"), 5u); // as the README says
    EXPECT_EQ(steadyAfter("ticks 3000\nslider 2 8\nticks 300\n"), std::nullopt);
    const auto again = steadyAfter("ticks 3000\nslider 2 8\nticks 3000\n");
    ASSERT_TRUE(again);
    EXPECT_GT(*again, 40u); // the slider moved at beat 39
}

// Once settled, a run stays settled while nothing changes, at every
// control's end: the mark must not come and go as a beat's tick count does.
// (A fibrillating heart has no beats to mark.)
TEST(BeatLog, ASettledRunStaysSteady)
{
    std::vector<std::string> cases;
    for (int slider = 1; slider <= 6; ++slider)
        for (const char *position : { "0", "10" })
            cases.push_back("slider " + std::to_string(slider) + ' ' + position + '\n');
    for (const std::string &setting : cases) {
        const std::string scenario = setting + "ticks 20000\n";
        TextLines lines(scenario);
        ScenarioReplay replay(lines, nullptr, false);
        std::vector<std::optional<std::uint64_t>> marks;
        replay.run().beatLog().setListener([&](const BeatRow &) { marks.push_back(replay.run().beatLog().steadyFrom()); });
        while (replay.advance(1 << 20) == ScenarioReplay::Status::Running) { }
        ASSERT_GT(marks.size(), 40u) << setting;
        const auto settled = marks[marks.size() / 2];
        EXPECT_TRUE(settled) << setting;
        for (std::size_t i = marks.size() / 2; i < marks.size(); ++i)
            EXPECT_EQ(marks[i], settled) << setting << " beat " << i + 1;
    }
}

} // namespace
} // namespace talbrix
