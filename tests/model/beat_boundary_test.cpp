#include "beatboundary.h"
#include "circulation.h"
#include "scriptedwindow.h"

#include <gtest/gtest.h>

#include <cmath>

namespace talbrix {
namespace {

using test::ScriptedWindow;

class BeatBoundary : public ::testing::Test {
protected:
    void SetUp() override { loadCirculation(state, window); }

    // Runs ticks up to and including the next beat boundary.
    int runToBoundary()
    {
        for (int ticks = 1;; ++ticks) {
            if (runTick(state, window).beat)
                return ticks;
        }
    }

    // A state just before a boundary at the given heart rate.
    void boundaryAt(float heartRate)
    {
        state.heartRate = heartRate;
        state.beatPeriod = 60.0f / heartRate;
        state.simTime = 10;
        state.beatStart = 5;
        state.aopSum = 95 * 75;
    }

    CirculationState state;
    ScriptedWindow window;
};

TEST_F(BeatBoundary, FirstBoundaryClosesTheLoadBeat)
{
    runToBoundary();
    // The divisor is the nominal 75.0000017 ticks although 76 pressures and
    // the loaded 60 were summed.
    EXPECT_EQ(window.text(Readout::Text1), "21");
    EXPECT_EQ(window.text(Readout::Text2), " 5000");
    EXPECT_EQ(window.text(Readout::Text4), " 50");
    EXPECT_EQ(window.text(Readout::Text8), "80");
    EXPECT_EQ(window.text(Readout::Text10), "110."); // end-systolic: nothing was ejected
    EXPECT_EQ(window.text(Readout::Text13), "."); // no stroke volume yet
    EXPECT_EQ(state.aopSum, 0.0f);
}

TEST_F(BeatBoundary, MeanIsStoredAsItsSevenDigitText)
{
    boundaryAt(80);
    state.aopSum = 7123.456f;
    runBeatBoundary(state, window);
    // venousPressure = (300 - mean) / 25 - 2 uses the mean rounded through
    // its Str text.
    const double ticks = static_cast<double>(0.75f) / static_cast<double>(0.01f);
    const float mean = static_cast<float>(static_cast<double>(7123.456f) / ticks);
    const float textMean = std::stof(str(Number::single(mean)));
    EXPECT_EQ(state.venousPressure, static_cast<float>((300.0 - textMean) / 25.0 - 2));
}

TEST_F(BeatBoundary, FillFractionFollowsTheEndedBeatsPeriod)
{
    boundaryAt(80);
    runBeatBoundary(state, window);
    EXPECT_NEAR(state.fillFraction, 1 - std::pow(2.0, -3.75), 1e-6);

    boundaryAt(176);
    runBeatBoundary(state, window);
    EXPECT_NEAR(state.fillFraction, 0.2105, 1e-4);

    boundaryAt(16);
    runBeatBoundary(state, window);
    EXPECT_EQ(state.fillFraction, 1.0f);
}

TEST_F(BeatBoundary, NegativeVenousPressureIsHeldAtZero)
{
    boundaryAt(80);
    window.sliders[4] = 0; // Slider5
    window.sliders[5] = 10; // Slider6
    runBeatBoundary(state, window);
    EXPECT_EQ(state.venousPressure, 0.0f);
    EXPECT_EQ(state.lvVolume, static_cast<float>(4.36 * 10 * static_cast<double>(state.fillFraction)));
    EXPECT_EQ(window.text(Readout::Text12), ".");
}

TEST_F(BeatBoundary, EndDiastolicVolumeIsCappedAt180)
{
    boundaryAt(16);
    state.aopSum = 0;
    window.sliders[4] = 10;
    window.sliders[5] = 0;
    runBeatBoundary(state, window);
    EXPECT_EQ(state.venousPressure, 20.0f);
    EXPECT_EQ(state.lvVolume, 180.0f);
    EXPECT_EQ(window.text(Readout::Text11), "180.");
}

TEST_F(BeatBoundary, RateSliderWaitsForTheNextBoundary)
{
    runToBoundary();
    runTick(state, window);
    window.sliders[2] = 10; // Slider3 mid-beat
    const int ticks = runToBoundary();
    EXPECT_EQ(ticks, 75) << "the current beat keeps its 80 beats/min length";
    EXPECT_EQ(window.text(Readout::Text8), "176");
    EXPECT_EQ(state.heartRate, 176.0f);
}

TEST_F(BeatBoundary, EjectionFractionUsesThePreviousStrokeVolume)
{
    runToBoundary();
    EXPECT_EQ(window.text(Readout::Text13), ".");
    runToBoundary(); // the first beat ejected, but its volume is not yet shown
    EXPECT_EQ(window.text(Readout::Text13), ".");
    EXPECT_GT(state.strokeVolume, 0.0f);
    const float strokeVolume = state.strokeVolume;
    runToBoundary();
    EXPECT_EQ(window.text(Readout::Text13),
        toText(Number::single(strokeVolume / state.lvVolume), TextForm::format("###.##")));
    EXPECT_NE(window.text(Readout::Text13), ".");
}

TEST_F(BeatBoundary, SweepRestartsAtTheFirstBoundaryPastTheEdge)
{
    int tick = 0;
    std::int16_t lastX = 0;
    for (;;) {
        lastX = state.plotX;
        ++tick;
        const TickOutcome outcome = runTick(state, window);
        if (outcome.cleared)
            break;
        ASSERT_LT(tick, 6000);
    }
    EXPECT_EQ(tick, 4827);
    EXPECT_EQ(lastX, 9652);
    EXPECT_EQ(state.plotX, 200);
    EXPECT_EQ(state.simTime, 1.0f);
    EXPECT_EQ(state.beatStart, 1.0f);
    EXPECT_EQ(window.clears, 1);
    // Only the restart tick's own two points remain, at x = 200.
    ASSERT_EQ(window.points.size(), 2u);
    EXPECT_EQ(window.points[0].x, 200);
    EXPECT_EQ(window.points[0].colour, colourBlack);
    EXPECT_EQ(window.points[1].colour, colourBlue);
}

} // namespace
} // namespace talbrix
