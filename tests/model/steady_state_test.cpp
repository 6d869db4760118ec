#include "circulation.h"
#include "scriptedwindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// Long runs of the whole model against the numbers a teacher knows: the
// resting circulation at the load positions, fibrillation, a sudden jump of
// the heart rate, and a heart that can no longer fill.

namespace talbrix {
namespace {

using test::ScriptedWindow;

struct Beat {
    int tick; // the tick that ran the boundary
    int length; // ticks since the previous boundary
    int ejectingTicks; // ticks with flow in the beat just ended
    std::string meanText; // Text1 after the boundary
    std::string ejectionFractionText; // Text13
    float endDiastolicVolume;
};

class SteadyState : public ::testing::Test {
protected:
    void SetUp() override { loadCirculation(state, window); }

    std::vector<Beat> runTicks(int count)
    {
        std::vector<Beat> beats;
        for (int i = 0; i < count; ++i) {
            ++tick;
            const TickOutcome outcome = runTick(state, window);
            ejectingTicks += state.ejectionFlow > 0 ? 1 : 0;
            minimumAop = std::min(minimumAop, state.aop);
            maximumAop = std::max(maximumAop, state.aop);
            if (outcome.beat) {
                beats.push_back({ tick, tick - lastBeatTick, ejectingTicks, window.text(Readout::Text1),
                    window.text(Readout::Text13), state.lvVolume });
                lastBeatTick = tick;
                ejectingTicks = 0;
            }
        }
        return beats;
    }

    void resetRange()
    {
        minimumAop = 1e9f;
        maximumAop = -1e9f;
    }

    CirculationState state;
    ScriptedWindow window;
    int tick = 0;
    int lastBeatTick = 0;
    int ejectingTicks = 0;
    float minimumAop = 1e9f;
    float maximumAop = -1e9f;
};

TEST_F(SteadyState, RestingCirculationAtTheLoadPositions)
{
    runTicks(1000);
    resetRange();
    const auto beats = runTicks(300);
    EXPECT_NEAR(minimumAop, 75.6, 0.1);
    EXPECT_NEAR(maximumAop, 107.8, 0.1);
    EXPECT_NEAR(state.venousPressure, 6.2, 0.05);
    EXPECT_EQ(window.text(Readout::Text1), "95");
    EXPECT_EQ(window.text(Readout::Text11), "97.7");
    EXPECT_EQ(window.text(Readout::Text10), "47.8");
    EXPECT_EQ(window.text(Readout::Text13), ".51");
    EXPECT_EQ(window.text(Readout::Text12), "6.2");
    EXPECT_NEAR(state.strokeVolume, 50, 0.5);
    EXPECT_NEAR(std::stod(window.text(Readout::Text5)), 4000, 20);
    for (const Beat &beat : beats)
        EXPECT_TRUE(beat.ejectingTicks == 40 || beat.ejectingTicks == 41) << beat.ejectingTicks;
    // The ejection is ended by the 0.4 s limit, not by pressure.
    EXPECT_GT(state.lvPressure, state.aop);
}

// simTime is single precision: beats last 76 ticks before about 3.8 s and
// from about 31.55 s on, 75 in between; the mean readout follows as 96, 95,
// 96 because the divisor is always 75.0000017.
TEST_F(SteadyState, BeatLengthAndMeanReadoutStretches)
{
    const auto beats = runTicks(4826);
    std::vector<std::pair<int, int>> lengthRuns; // length, count
    for (const Beat &beat : beats) {
        if (lengthRuns.empty() || lengthRuns.back().first != beat.length)
            lengthRuns.push_back({ beat.length, 0 });
        ++lengthRuns.back().second;
    }
    ASSERT_EQ(lengthRuns.size(), 3u);
    EXPECT_EQ(lengthRuns[0].first, 76);
    EXPECT_EQ(lengthRuns[1].first, 75);
    EXPECT_EQ(lengthRuns[2].first, 76);
    const int switchTo75 = beats[static_cast<std::size_t>(lengthRuns[0].second)].tick;
    const int switchTo76 = beats[static_cast<std::size_t>(lengthRuns[0].second + lengthRuns[1].second)].tick;
    EXPECT_NEAR(switchTo75 / 100.0, 3.8, 0.8);
    EXPECT_NEAR(switchTo76 / 100.0, 31.55, 0.8);

    for (const Beat &beat : beats) {
        if (beat.tick < 700)
            continue; // settling
        if (beat.length == 75) {
            EXPECT_EQ(beat.meanText, "95") << "tick " << beat.tick;
        } else if (beat.tick > switchTo76 + 300) {
            EXPECT_EQ(beat.meanText, "96") << "tick " << beat.tick;
        }
    }
}

TEST_F(SteadyState, FibrillationLetsThePressuresMeet)
{
    runTicks(1000);
    // Select fibrillation mid-beat, after this beat's ejection has begun.
    runTicks(10);
    window.fibrillation = true;
    const auto beats = runTicks(3000);
    ASSERT_GE(beats.size(), 10u);
    int nonZeroFractions = 0;
    for (const Beat &beat : beats)
        nonZeroFractions += beat.ejectionFractionText != "." ? 1 : 0;
    EXPECT_EQ(nonZeroFractions, 2);
    EXPECT_EQ(beats[0].ejectionFractionText != ".", true);
    EXPECT_EQ(beats[1].ejectionFractionText != ".", true);
    EXPECT_NEAR(state.venousPressure, 250.0 / 26.0, 0.01);
    EXPECT_NEAR(state.lvVolume, 129, 1);
    EXPECT_NEAR(state.aop, 9.6, 0.1);
    EXPECT_NEAR(state.plotY, 1006, 1); // the venous trace now lies above the aortic one
    EXPECT_NEAR(2200 - 10 * state.aop, 2104, 2);
}

TEST_F(SteadyState, HeartRateJumpEmptiesTheVentricle)
{
    runTicks(1000);
    window.sliders[2] = 10;
    auto beats = runTicks(76);
    while (beats.empty())
        beats = runTicks(1); // finish the beat at the old rate
    // The first fast beat still starts from the old, long filling.
    EXPECT_GT(beats.back().endDiastolicVolume, 90.0f);
    const auto fast = runTicks(35 * 6);
    ASSERT_GE(fast.size(), 5u);
    EXPECT_GT(fast[0].ejectingTicks, 0);
    EXPECT_NEAR(fast[0].endDiastolicVolume, 21.6, 0.1);
    EXPECT_EQ(fast[1].ejectingTicks, 0);
    EXPECT_EQ(fast[2].ejectingTicks, 0);
    EXPECT_EQ(fast[3].ejectingTicks, 0);
    EXPECT_GT(fast[4].ejectingTicks, 0);
}

TEST_F(SteadyState, AVentricleBelowItsUnstressedVolumeNeverEjects)
{
    window.sliders[2] = 10;
    window.sliders[4] = 0;
    window.sliders[5] = 10;
    runTicks(500);
    const auto beats = runTicks(20000);
    EXPECT_EQ(state.venousPressure, 0.0f);
    EXPECT_NEAR(state.lvVolume, 9.18, 0.01);
    for (const Beat &beat : beats)
        EXPECT_EQ(beat.ejectingTicks, 0);
    EXPECT_GT(state.aopSum + state.aop, 0.0f) << "the mean never reaches 0 exactly";
    EXPECT_EQ(window.text(Readout::Text1), "");
}

} // namespace
} // namespace talbrix
