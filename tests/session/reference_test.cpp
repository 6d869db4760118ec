#include "catalogue.h"
#include "memorywindow.h"
#include "recordedrun.h"
#include "scenarioreplay.h"
#include "tracerun.h"

#include <gtest/gtest.h>

#include <string>

namespace talbrix {
namespace {

void run(RecordedRun &recorded, MemoryWindow &window, int ticks)
{
    for (int i = 0; i < ticks; ++i)
        recorded.tick(window);
}

std::string comparisonOf(const RecordedRun &recorded, const MemoryWindow &window)
{
    return comparisonTable(*recorded.comparison(window), *recorded.reference(), window.controlSettings());
}

// A run made live, as a user makes it in a window: the reference it holds and
// the comparison it shows are what a replay of its saved scenario gives, and
// what talbrix-trace --comparison prints for it.
TEST(Reference, ASavedRunReopensWithTheSameReferenceAndComparison)
{
    MemoryWindow window;
    RecordedRun live;
    live.load(window);
    run(live, window, 300);
    window.setSlider(2, 8); // moved while paused, then held before any tick
    live.holdReference(window);
    run(live, window, 500);
    window.setText(Readout::Text8, "120");
    live.clearReference(window);
    run(live, window, 4700); // past a sweep restart
    live.holdReference(window);
    window.setSlider(2, 0);
    window.selectFibrillation();
    run(live, window, 900);

    const std::string scenario = live.scenario(window);
    EXPECT_NE(scenario.find("slider 2 8\nhold-reference\nticks 500\ntext8 120\nclear-reference\n"), std::string::npos)
        << scenario;
    TextLines lines(scenario);
    ScenarioReplay replay(lines, nullptr, true);
    while (replay.advance(1 << 20) == ScenarioReplay::Status::Running) { }
    ASSERT_TRUE(replay.run().reference());
    EXPECT_EQ(*replay.run().reference(), *live.reference());
    EXPECT_EQ(comparisonOf(replay.run(), replay.window()), comparisonOf(live, window));

    std::string printed;
    CsvOutput table([&](std::string_view block) { printed += block; });
    TextLines again(scenario);
    ASSERT_EQ(writeComparisonTable(again, table).outcome, TraceRun::Outcome::Done);
    EXPECT_EQ(printed, comparisonOf(live, window));
}

TEST(Reference, KeepsTheSweepAsPlottedSinceItsRestart)
{
    MemoryWindow window;
    RecordedRun recorded;
    recorded.load(window);
    run(recorded, window, 5000); // the sweep restarted near tick 4,800
    recorded.holdReference(window);
    const auto &sweep = recorded.reference()->sweep;
    const auto &points = window.points(); // each tick's aortic, then venous point
    ASSERT_EQ(points.size(), 2 * sweep.size());
    for (std::size_t i = 0; i < sweep.size(); ++i) {
        EXPECT_EQ(sweep[i].x, points[2 * i].x);
        EXPECT_EQ(sweep[i].aorticY, points[2 * i].y);
        EXPECT_EQ(sweep[i].venousY, points[2 * i + 1].y);
    }
}

TEST(Reference, ComparisonTakesTheLatestBeatsAndNamesWhatChanged)
{
    MemoryWindow window;
    RecordedRun recorded;
    recorded.load(window);
    run(recorded, window, 100); // one beat: stroke volume still shows "."
    recorded.holdReference(window);
    window.setSlider(2, 0); // a stiffer aorta
    window.selectFibrillation();
    const Comparison before = *recorded.comparison(window);
    // No beat since the hold: the boxes as they stand beside the held beat.
    EXPECT_EQ(before.readouts[2].now, window.text(Readout::Text3));
    run(recorded, window, 3000);
    const Comparison after = *recorded.comparison(window);
    ASSERT_EQ(after.changes.size(), 2u);
    EXPECT_EQ(after.changes[0].name, "Slider2 Aortic Compl.");
    EXPECT_EQ(after.changes[0].reference + " -> " + after.changes[0].now, "3 -> 0");
    EXPECT_EQ(after.changes[1].reference + " -> " + after.changes[1].now, "beating -> fibrillating");
    // The panels say it in the class's language; the slider keeps the form's name.
    EXPECT_EQ(changeText(after.changes[1]), "rhythm beating -> fibrillating");
    useTexts(shippedTexts("es"));
    const std::string spanish[] = { changeText(after.changes[0]), changeText(after.changes[1]) };
    useTexts(Texts());
    EXPECT_EQ(spanish[0], "Slider2 Aortic Compl. 3 -> 0");
    EXPECT_EQ(spanish[1], "ritmo latiendo -> fibrilando");
    const ReadoutComparison &strokeVolume = after.readouts[2];
    EXPECT_EQ(strokeVolume.name, "Stroke Vol (ml)");
    EXPECT_EQ(strokeVolume.reference, recorded.reference()->latestBeat->texts[2]);
    EXPECT_EQ(strokeVolume.now, recorded.beatLog().latest()->texts[2]);
    EXPECT_EQ(strokeVolume.percent, std::nullopt); // of a reference of 0
    const ReadoutComparison &pressure = after.readouts[0];
    ASSERT_TRUE(pressure.difference && pressure.percent);
    EXPECT_DOUBLE_EQ(*pressure.difference, std::stod(pressure.now) - std::stod(pressure.reference));
    EXPECT_DOUBLE_EQ(*pressure.percent, 100 * *pressure.difference / std::stod(pressure.reference));
}

} // namespace
} // namespace talbrix
