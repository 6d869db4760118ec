#include "circulation.h"
#include "runtimeerror.h"
#include "scriptedwindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace talbrix {
namespace {

using test::ScriptedWindow;

class Tick : public ::testing::Test {
protected:
    void SetUp() override { loadCirculation(state, window); }

    void run(int ticks)
    {
        for (int i = 0; i < ticks; ++i)
            runTick(state, window);
    }

    // Sets up a state inside an ejecting beat in which the ventricular
    // pressure is exactly 410 mmHg (Slider4 at 6: (90 + 320) / 130 times
    // 130 ml above the unstressed volume) and the compliance is exactly 1
    // (Slider2 at 4), so the aortic pressure equals the aortic volume.
    void prepareEjection(float aortaVolume)
    {
        window.setSlider(2, 4);
        window.setSlider(4, 6);
        state.lvVolume = 140;
        state.aortaVolume = aortaVolume;
        state.ejecting = true;
        state.heartRate = 80;
        state.beatStart = 0;
        state.simTime = 0.1f;
    }

    CirculationState state;
    ScriptedWindow window;
};

TEST_F(Tick, LoadStateAndItsThreeReadouts)
{
    EXPECT_EQ(state.aop, 40.0f);
    EXPECT_EQ(state.aopSum, 60.0f);
    EXPECT_EQ(state.dt, 0.0099999998f);
    EXPECT_EQ(state.lvVolume, 110.0f);
    EXPECT_FALSE(state.ejecting);
    EXPECT_EQ(window.text(Readout::Text1), " 40");
    EXPECT_EQ(window.text(Readout::Text3), " 0");
    EXPECT_EQ(window.text(Readout::Text5), " 0");
    EXPECT_EQ(window.text(Readout::Text7), ".64"); // creation text until the first tick
    EXPECT_EQ(window.text(Readout::Text8), "84");
}

TEST_F(Tick, FirstTickFromTheLoadState)
{
    const TickOutcome outcome = runTick(state, window);
    EXPECT_EQ(state.aop, static_cast<float>(20.0 / static_cast<double>(0.81f)));
    EXPECT_NEAR(state.aop, 24.69, 0.01);
    EXPECT_EQ(state.aopSum, static_cast<float>(60.0 + static_cast<double>(state.aop)));
    EXPECT_NEAR(state.aopSum, 84.69, 0.01);
    EXPECT_EQ(state.beatPeriod, 0.75f);
    EXPECT_EQ(state.ejectionFlow, 0.0f); // ejecting starts false
    EXPECT_EQ(state.simTime, 0.0099999998f);
    EXPECT_EQ(state.plotX, 2);
    EXPECT_EQ(outcome.aorticY, 1953);
    EXPECT_FALSE(outcome.beat);
    // Per-tick readouts take their formatted values at once.
    EXPECT_EQ(window.text(Readout::Text7), " .81");
    EXPECT_EQ(window.text(Readout::Text9), " 400");
    EXPECT_EQ(window.text(Readout::Text6), "1.33");
    EXPECT_EQ(window.text(Readout::Text3), ".");
    EXPECT_EQ(window.text(Readout::Text5), ".");
}

TEST_F(Tick, PublishesAndPlotsInTheirOrder)
{
    window.published.clear(); // the load step's own three
    runTick(state, window);
    const std::vector<Readout> expected { Readout::Text7, Readout::Text9, Readout::Text6, Readout::Text3,
        Readout::Text5 };
    EXPECT_EQ(window.published, expected);
    ASSERT_EQ(window.points.size(), 2u);
    // The very first aortic point uses the plot's load colour; then venous
    // in blue, and black is left for the next tick.
    EXPECT_EQ(window.points[0].colour, 0xFFFFFF);
    EXPECT_EQ(window.points[1].colour, colourBlue);
    EXPECT_EQ(window.points[1].y, 1200); // 8 mmHg venous
    EXPECT_EQ(window.colour, colourBlack);
    EXPECT_EQ(window.sliderReads[2], 0) << "the heart-rate slider is read only at a beat boundary";
}

TEST_F(Tick, FirstBoundaryOnTheSeventySixthTick)
{
    run(75);
    EXPECT_EQ(state.beatStart, 0.0f);
    const TickOutcome outcome = runTick(state, window);
    EXPECT_TRUE(outcome.beat);
    EXPECT_NEAR(state.simTime, 0.76, 1e-6);
    EXPECT_EQ(state.beatStart, state.simTime);
    EXPECT_TRUE(state.ejecting);
    EXPECT_EQ(state.strokeVolume, 0.0f);
}

TEST_F(Tick, EqualPressuresGiveNoFlowAndEndTheEjection)
{
    prepareEjection(410);
    runTick(state, window);
    EXPECT_EQ(state.lvPressure, 410.0f);
    EXPECT_EQ(state.aop, 410.0f);
    EXPECT_EQ(state.ejectionFlow, 0.0f);
    EXPECT_FALSE(state.ejecting);

    // Once ended, the ejection stays ended even when the aortic pressure
    // drops below the ventricular one again.
    state.aortaVolume = 100;
    runTick(state, window);
    EXPECT_EQ(state.ejectionFlow, 0.0f);
}

TEST_F(Tick, FlowBelowTenIsDiscarded)
{
    prepareEjection(402); // 500 (1 - 402 / 410) = 9.76 ml/s
    runTick(state, window);
    EXPECT_EQ(state.ejectionFlow, 0.0f);
    EXPECT_FALSE(state.ejecting);
    EXPECT_EQ(state.lvVolume, 140.0f);

    prepareEjection(401); // 10.98 ml/s passes
    runTick(state, window);
    EXPECT_NEAR(state.ejectionFlow, 10.98, 0.01);
    EXPECT_TRUE(state.ejecting);
    EXPECT_LT(state.lvVolume, 140.0f);
}

TEST_F(Tick, FibrillationStopsEjectionButNotTheBeats)
{
    window.fibrillation = true;
    float volumeBefore = state.lvVolume;
    for (int tick = 1; tick <= 400; ++tick) {
        const TickOutcome outcome = runTick(state, window);
        if (!outcome.beat) {
            EXPECT_EQ(state.lvVolume, volumeBefore) << "tick " << tick;
        }
        volumeBefore = state.lvVolume;
        EXPECT_EQ(state.ejectedVolume, 0.0f);
        EXPECT_EQ(state.ejectionFlow, 0.0f);
    }
    EXPECT_GT(state.beatStart, 3.0f); // boundaries kept coming
}

TEST_F(Tick, ComplianceSliderActsOnTheNextTick)
{
    run(10);
    const float aortaVolume = state.aortaVolume;
    window.setSlider(2, 10);
    runTick(state, window);
    EXPECT_EQ(state.aorticCompliance, 2.56f);
    EXPECT_EQ(state.aop, static_cast<float>(static_cast<double>(aortaVolume) / 2.56f));
}

TEST_F(Tick, CardiacOutputFollowsTheRateTextNow)
{
    run(400); // a few beats: the stroke volume is no longer 0
    ASSERT_GT(state.strokeVolume, 10.0f);
    window.setText(Readout::Text8, "100");
    runTick(state, window);
    EXPECT_EQ(window.text(Readout::Text5),
        toText(Number::dbl(std::floor(static_cast<double>(state.strokeVolume) * 100)), TextForm::format("#####.##")));

    window.setText(Readout::Text8, "fast");
    runTick(state, window);
    EXPECT_EQ(window.text(Readout::Text5), ".");
}

// Typed text must never end the program: numbers beyond double range and
// products that overflow give a cardiac output of 0, like text that is not
// a number.
TEST_F(Tick, OutOfRangeRateTextGivesZeroInsteadOfAnError)
{
    run(400);
    for (const char *typed : { "1e400", "&H123456789", "1e308", "-1e308", "&O777777777777" }) {
        window.setText(Readout::Text8, typed);
        ASSERT_NO_THROW(runTick(state, window)) << typed;
        EXPECT_EQ(window.text(Readout::Text5), ".") << typed;
    }
    window.setText(Readout::Text8, "1e30"); // large but finite: shown in full
    runTick(state, window);
    EXPECT_GT(window.text(Readout::Text5).size(), 30u);
}

TEST_F(Tick, PlotCoordinateOutOfRangeIsAnOverflowError)
{
    state.aortaVolume = 1e6f; // an aortic pressure no slider can reach
    try {
        runTick(state, window);
        FAIL() << "no error";
    } catch (const RuntimeError &error) {
        EXPECT_EQ(error.kind(), RuntimeError::Kind::Overflow);
    }
    EXPECT_TRUE(window.points.empty()) << "the rest of the tick is abandoned";
}

TEST_F(Tick, FloatingFaultsAreRuntimeErrors)
{
    state.heartRate = 0; // 60 / 0
    EXPECT_THROW(runTick(state, window), RuntimeError);
    loadCirculation(state, window);
    state.aortaVolume = 3e38f;
    window.setSlider(2, 0); // 3e38 / 0.36 overflows a single
    EXPECT_THROW(runTick(state, window), RuntimeError);
}

} // namespace
} // namespace talbrix
