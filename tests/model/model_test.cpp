// The model against the numbers a teacher knows and the rules that decide
// them: the slider mapping, one tick's order of steps, the beat boundary and
// long runs. The golden trace (tests/soak) pins every value of a long
// scripted run; these say what each behaviour is.

#include "beatboundary.h"
#include "circulation.h"
#include "memorywindow.h"
#include "runtimeerror.h"
#include "sliders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace talbrix {
namespace {

// The in-memory window, also recording the order of what the model does.
struct RecordingWindow : MemoryWindow {
    std::int32_t readSlider(int slider) override
    {
        ++sliderReads[static_cast<std::size_t>(slider - 1)];
        return MemoryWindow::readSlider(slider);
    }
    void publish(Readout readout, Number value, TextForm form) override
    {
        published.push_back(readout);
        MemoryWindow::publish(readout, value, form);
    }
    void clearPlot() override
    {
        ++clears;
        MemoryWindow::clearPlot();
    }
    std::array<int, sliderCount> sliderReads {};
    std::vector<Readout> published;
    int clears = 0;
};

class Model : public ::testing::Test {
protected:
    void SetUp() override { loadCirculation(state, window); }
    TickOutcome run(int ticks)
    {
        TickOutcome outcome;
        for (int i = 0; i < ticks; ++i)
            outcome = runTick(state, window);
        return outcome;
    }
    int runToBoundary() // ticks up to and including the next beat boundary
    {
        for (int ticks = 1;; ++ticks)
            if (runTick(state, window).beat)
                return ticks;
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
    // Inside an ejecting beat with a ventricular pressure of exactly 410 mmHg
    // (Slider4 at 6: (90 + 320) / 130 times 130 ml above the unstressed
    // volume) and a compliance of exactly 1 (Slider2 at 4), so that the
    // aortic pressure equals the aortic volume.
    void prepareEjection(float aortaVolume)
    {
        window.setSlider(2, 4);
        window.setSlider(4, 6);
        state.lvVolume = 140;
        state.aortaVolume = aortaVolume;
        state.ejecting = true;
        state.beatStart = 0;
        state.simTime = 0.1f;
    }
    std::string text(Readout readout) const { return window.text(readout); }

    CirculationState state;
    RecordingWindow window;
};

using SliderMapping = Model;
using Tick = Model;
using BeatBoundary = Model;
using SteadyState = Model;

TEST_F(SliderMapping, GivesEachParameterOverTheWholeRange)
{
    const auto all = [this] {
        return std::vector<double> { static_cast<float>(resistanceFromSlider(window)),
            static_cast<float>(aorticComplianceFromSlider(window)), contractilityFromSlider(window),
            double(peakFlowFromSlider(window)), double(heartRateFromSlider(window)),
            double(venousOffsetFromSliders(window)), double(bloodVolumeFromSlider(window)),
            double(venousComplianceFromSlider(window)) };
    };
    EXPECT_EQ(all(), (std::vector<double> { 1.3333334f, 0.81f, 380.0 / 130, 400, 80, -2, 5000, 50 })); // load positions
    for (int slider = 1; slider <= 6; ++slider)
        window.setSlider(slider, slider == 6 ? 10 : 0);
    EXPECT_EQ(all(), (std::vector<double> { 1.0f / 3, 0.36f, 320.0 / 130, 200, 16, -12, 3500, 90 }));
    for (int slider = 1; slider <= 6; ++slider)
        window.setSlider(slider, slider == 6 ? 0 : 10);
    EXPECT_EQ(all(), (std::vector<double> { 11.0f / 3, 2.56f, 470.0 / 130, 700, 176, 8, 6500, 10 }));
}

// A control that misreports its position must raise an overflow error
// rather than wrap around into a plausible value.
TEST_F(SliderMapping, IntegerStepsAreOverflowChecked)
{
    const std::int32_t huge = std::numeric_limits<std::int32_t>::max();
    for (int slider = 1; slider <= 6; ++slider)
        window.setSlider(slider, slider == 6 ? -huge : huge);
    EXPECT_THROW(resistanceFromSlider(window), RuntimeError);
    EXPECT_THROW(aorticComplianceFromSlider(window), RuntimeError);
    EXPECT_THROW(heartRateFromSlider(window), RuntimeError);
    EXPECT_THROW(contractilityFromSlider(window), RuntimeError);
    EXPECT_THROW(peakFlowFromSlider(window), RuntimeError);
    EXPECT_THROW(venousOffsetFromSliders(window), RuntimeError);
    EXPECT_THROW(bloodVolumeFromSlider(window), RuntimeError);
    EXPECT_THROW(venousComplianceFromSlider(window), RuntimeError);
}

TEST_F(Tick, LoadStateThenFirstTickPublishesAndPlotsInItsOrder)
{
    EXPECT_EQ(state.aopSum, 60.0f);
    EXPECT_EQ(window.published, (std::vector { Readout::Text1, Readout::Text3, Readout::Text5 }));
    EXPECT_EQ(text(Readout::Text1) + text(Readout::Text3) + text(Readout::Text5), " 40 0 0");
    window.published.clear();
    const TickOutcome outcome = runTick(state, window);
    EXPECT_EQ(state.aop, static_cast<float>(20.0 / static_cast<double>(0.81f)));
    EXPECT_EQ(state.aopSum, static_cast<float>(60.0 + static_cast<double>(state.aop)));
    EXPECT_EQ(state.beatPeriod, 0.75f);
    EXPECT_EQ(state.ejectionFlow, 0.0f); // ejecting starts false
    EXPECT_EQ(state.simTime, 0.0099999998f);
    EXPECT_EQ(outcome.aorticY, 1953);
    EXPECT_FALSE(outcome.beat);
    EXPECT_EQ(window.published,
        (std::vector { Readout::Text7, Readout::Text9, Readout::Text6, Readout::Text3, Readout::Text5 }));
    EXPECT_EQ(text(Readout::Text7) + text(Readout::Text9) + text(Readout::Text6) + text(Readout::Text3)
            + text(Readout::Text5),
        " .81 4001.33..");
    // The very first aortic point uses the plot's load colour; then venous in
    // blue (8 mmHg), and black is left for the next tick.
    ASSERT_EQ(window.points().size(), 2u);
    EXPECT_EQ(window.points()[0].colour, 0xFFFFFF);
    EXPECT_EQ(window.points()[0].x, 2);
    EXPECT_EQ(window.points()[1].colour, colourBlue);
    EXPECT_EQ(window.points()[1].y, 1200);
    EXPECT_EQ(window.drawColour(), colourBlack);
    EXPECT_EQ(window.sliderReads[2], 0) << "the heart-rate slider is read only at a beat boundary";
}

TEST_F(Tick, EjectionEndsForTheBeatWhenItsFlowFallsBelowTen)
{
    prepareEjection(401); // 500 (1 - 401 / 410) = 10.98 ml/s passes
    runTick(state, window);
    EXPECT_NEAR(state.ejectionFlow, 10.98, 0.01);
    EXPECT_EQ(state.lvVolume, static_cast<float>(140 - static_cast<double>(0.01f) * state.ejectionFlow));
    for (const float aortaVolume : { 402.0f, 410.0f }) { // 9.76 ml/s, and equal pressures: no flow
        prepareEjection(aortaVolume);
        runTick(state, window);
        EXPECT_EQ(state.lvPressure, 410.0f);
        EXPECT_EQ(state.ejectionFlow, 0.0f) << aortaVolume;
        EXPECT_FALSE(state.ejecting);
        EXPECT_EQ(state.lvVolume, 140.0f);
    }
    state.aortaVolume = 100; // the aortic pressure falls again: still no flow in this beat
    runTick(state, window);
    EXPECT_EQ(state.ejectionFlow, 0.0f);
}

TEST_F(Tick, CardiacOutputFollowsTheRateTextNow)
{
    run(400); // a few beats: the stroke volume is no longer 0
    ASSERT_GT(state.strokeVolume, 10.0f);
    window.setText(Readout::Text8, "100");
    runTick(state, window);
    EXPECT_EQ(text(Readout::Text5),
        toText(Number::dbl(std::floor(static_cast<double>(state.strokeVolume) * 100)), TextForm::format("#####.##")));
    // Typed text must never end the program: no number, numbers beyond double
    // range and products that overflow all give 0.
    for (const char *typed : { "fast", "1e400", "&H123456789", "1e308", "-1e308", "&O777777777777" }) {
        window.setText(Readout::Text8, typed);
        ASSERT_NO_THROW(runTick(state, window)) << typed;
        EXPECT_EQ(text(Readout::Text5), ".") << typed;
    }
    window.setText(Readout::Text8, "1e30"); // large but finite: shown in full
    runTick(state, window);
    EXPECT_GT(text(Readout::Text5).size(), 30u);
}

TEST_F(Tick, ArithmeticFaultsAreRunTimeErrorsThatAbandonTheTick)
{
    state.aortaVolume = 1e6f; // an aortic pressure no slider can reach: beyond a plot coordinate
    EXPECT_THROW(runTick(state, window), RuntimeError);
    EXPECT_TRUE(window.points().empty());
    loadCirculation(state, window);
    state.heartRate = 0; // 60 / 0
    EXPECT_THROW(runTick(state, window), RuntimeError);
    loadCirculation(state, window);
    state.aortaVolume = 3e38f;
    window.setSlider(2, 0); // 3e38 / 0.36 overflows a single
    EXPECT_THROW(runTick(state, window), RuntimeError);
}

TEST_F(BeatBoundary, FirstBoundaryOnTheSeventySixthTickClosesTheLoadBeat)
{
    EXPECT_EQ(runToBoundary(), 76);
    EXPECT_EQ(state.beatStart, state.simTime);
    EXPECT_TRUE(state.ejecting);
    EXPECT_EQ(state.aopSum, 0.0f);
    // The divisor is the nominal 75.0000017 ticks although 76 pressures and
    // the loaded 60 were summed; end-systolic 110: nothing was ejected.
    for (const auto &[readout, expected] :
        { std::pair { Readout::Text1, "21" }, { Readout::Text2, " 5000" }, { Readout::Text4, " 50" },
            { Readout::Text8, "80" }, { Readout::Text10, "110." }, { Readout::Text13, "." } })
        EXPECT_EQ(text(readout), expected);
}

TEST_F(BeatBoundary, MeanIsStoredAsItsSevenDigitText)
{
    boundaryAt(80);
    state.aopSum = 7433.3f; // a mean whose text differs from its single
    runBeatBoundary(state, window);
    const float mean = static_cast<float>(static_cast<double>(7433.3f) / (0.75 / static_cast<double>(0.01f)));
    const float textMean = std::stof(str(Number::single(mean)));
    ASSERT_NE(textMean, mean);
    EXPECT_EQ(state.venousPressure, static_cast<float>((300.0 - textMean) / 25.0 - 2));
    EXPECT_EQ(text(Readout::Text12), toText(Number::single(state.venousPressure), TextForm::format("###.##")));
}

TEST_F(BeatBoundary, FillFractionFollowsTheEndedBeatsPeriod)
{
    for (const auto &[rate, fraction] :
        { std::pair { 80.0f, 1 - std::pow(2.0, -3.75) }, { 176.0f, 0.2105 }, { 16.0f, 1.0 } }) {
        boundaryAt(rate);
        runBeatBoundary(state, window);
        EXPECT_NEAR(state.fillFraction, fraction, 1e-4) << rate;
    }
}

TEST_F(BeatBoundary, VenousPressureHeldAtZeroAndFillingCappedAt180)
{
    boundaryAt(80);
    window.setSlider(5, 0);
    window.setSlider(6, 10);
    runBeatBoundary(state, window);
    EXPECT_EQ(state.venousPressure, 0.0f);
    EXPECT_EQ(state.lvVolume, static_cast<float>(4.36 * 10 * static_cast<double>(state.fillFraction)));
    EXPECT_EQ(text(Readout::Text12), ".");

    boundaryAt(16);
    state.aopSum = 0;
    window.setSlider(5, 10);
    window.setSlider(6, 0);
    runBeatBoundary(state, window);
    EXPECT_EQ(state.venousPressure, 20.0f);
    EXPECT_EQ(state.lvVolume, 180.0f);
    EXPECT_EQ(text(Readout::Text11), "180.");
}

TEST_F(BeatBoundary, RateSliderWaitsForTheNextBoundary)
{
    runToBoundary();
    runTick(state, window);
    window.setSlider(3, 10); // mid-beat
    EXPECT_EQ(runToBoundary(), 75) << "the current beat keeps its 80 beats/min length";
    EXPECT_EQ(text(Readout::Text8), "176");
    EXPECT_EQ(state.heartRate, 176.0f);
}

TEST_F(BeatBoundary, EjectionFractionUsesThePreviousStrokeVolume)
{
    runToBoundary();
    runToBoundary(); // the first beat ejected, but its volume is not yet shown
    EXPECT_EQ(text(Readout::Text13), ".");
    EXPECT_GT(state.strokeVolume, 0.0f);
    const float strokeVolume = state.strokeVolume;
    runToBoundary();
    EXPECT_EQ(text(Readout::Text13), toText(Number::single(strokeVolume / state.lvVolume), TextForm::format("###.##")));
    EXPECT_NE(text(Readout::Text13), ".");
}

TEST_F(BeatBoundary, SweepRestartsAtTheFirstBoundaryPastTheEdge)
{
    run(4826);
    EXPECT_EQ(state.plotX, 9652);
    EXPECT_EQ(window.clears, 0);
    EXPECT_TRUE(run(1).cleared);
    EXPECT_EQ(state.plotX, 200);
    EXPECT_EQ(state.simTime, 1.0f);
    EXPECT_EQ(state.beatStart, 1.0f);
    EXPECT_EQ(window.clears, 1);
    ASSERT_EQ(window.points().size(), 2u); // only the restart tick's own two points
    EXPECT_EQ(window.points()[0].x, 200);
}

TEST_F(SteadyState, RestingCirculationAtTheLoadPositions)
{
    run(1000);
    runToBoundary();
    float low = 1e9f, high = -1e9f;
    int ejectingTicks = 0;
    for (int tick = 0; tick < 300; ++tick) {
        if (runTick(state, window).beat) {
            EXPECT_TRUE(ejectingTicks == 40 || ejectingTicks == 41) << ejectingTicks;
            ejectingTicks = 0;
        }
        ejectingTicks += state.ejectionFlow > 0;
        low = std::min(low, state.aop);
        high = std::max(high, state.aop);
    }
    EXPECT_NEAR(low, 75.6, 0.1);
    EXPECT_NEAR(high, 107.8, 0.1);
    EXPECT_NEAR(state.strokeVolume, 50, 0.5);
    EXPECT_NEAR(std::stod(text(Readout::Text5)), 4000, 20);
    for (const auto &[readout, expected] : { std::pair { Readout::Text1, "95" }, { Readout::Text10, "47.8" },
             { Readout::Text11, "97.7" }, { Readout::Text12, "6.2" }, { Readout::Text13, ".51" } })
        EXPECT_EQ(text(readout), expected);
    // The ejection is ended by the 0.4 s limit, not by pressure.
    EXPECT_GT(state.lvPressure, state.aop);
}

TEST_F(SteadyState, FibrillationLetsThePressuresMeet)
{
    run(1010); // select fibrillation after this beat's ejection has begun
    window.selectFibrillation();
    int beats = 0, fractions = 0;
    for (int tick = 0; tick < 3000; ++tick)
        if (runTick(state, window).beat) {
            ++beats;
            fractions += text(Readout::Text13) != ".";
        }
    EXPECT_GE(beats, 10);
    EXPECT_EQ(fractions, 2); // the beat under way and the one before still show
    EXPECT_NEAR(state.venousPressure, 250.0 / 26.0, 0.01);
    EXPECT_NEAR(state.lvVolume, 129, 1);
    EXPECT_NEAR(state.aop, 9.6, 0.1);
}

} // namespace
} // namespace talbrix
