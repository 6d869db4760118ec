#include "runtimeerror.h"
#include "scriptedwindow.h"
#include "sliders.h"

#include <gtest/gtest.h>

#include <limits>

namespace talbrix {
namespace {

using test::ScriptedWindow;

TEST(SliderMapping, LoadPositionsGiveTheLoadParameters)
{
    ScriptedWindow window;
    EXPECT_EQ(static_cast<float>(resistanceFromSlider(window)), 1.3333334f);
    EXPECT_EQ(static_cast<float>(aorticComplianceFromSlider(window)), 0.81f);
    EXPECT_EQ(contractilityFromSlider(window), 380.0 / 130.0);
    EXPECT_EQ(peakFlowFromSlider(window), 400);
    EXPECT_EQ(heartRateFromSlider(window), 80);
    EXPECT_EQ(venousOffsetFromSliders(window), -2);
    EXPECT_EQ(bloodVolumeFromSlider(window), 5000);
    EXPECT_EQ(venousComplianceFromSlider(window), 50);
}

TEST(SliderMapping, RangeEnds)
{
    ScriptedWindow window;
    window.sliders = { 0, 0, 0, 0, 0, 10 };
    EXPECT_EQ(static_cast<float>(resistanceFromSlider(window)), 1.0f / 3.0f);
    EXPECT_EQ(static_cast<float>(aorticComplianceFromSlider(window)), 0.36f);
    EXPECT_EQ(heartRateFromSlider(window), 16);
    EXPECT_EQ(peakFlowFromSlider(window), 200);
    EXPECT_EQ(venousOffsetFromSliders(window), -12);
    EXPECT_EQ(bloodVolumeFromSlider(window), 3500);
    EXPECT_EQ(venousComplianceFromSlider(window), 90);

    window.sliders = { 10, 10, 10, 10, 10, 0 };
    EXPECT_EQ(static_cast<float>(resistanceFromSlider(window)), 11.0f / 3.0f);
    EXPECT_EQ(static_cast<float>(aorticComplianceFromSlider(window)), 2.56f);
    EXPECT_EQ(heartRateFromSlider(window), 176);
    EXPECT_EQ(contractilityFromSlider(window), 470.0 / 130.0);
    EXPECT_EQ(peakFlowFromSlider(window), 700);
    EXPECT_EQ(venousOffsetFromSliders(window), 8);
}

// A control that misreports its position must raise an overflow error
// rather than wrap around into a plausible value.
TEST(SliderMapping, IntegerStepsAreOverflowChecked)
{
    ScriptedWindow window;
    const std::int32_t huge = std::numeric_limits<std::int32_t>::max();
    window.sliders = { huge, huge, huge, huge, huge, -huge };
    EXPECT_THROW(resistanceFromSlider(window), RuntimeError);
    EXPECT_THROW(aorticComplianceFromSlider(window), RuntimeError);
    EXPECT_THROW(heartRateFromSlider(window), RuntimeError);
    EXPECT_THROW(contractilityFromSlider(window), RuntimeError);
    EXPECT_THROW(peakFlowFromSlider(window), RuntimeError);
    EXPECT_THROW(venousOffsetFromSliders(window), RuntimeError);
    EXPECT_THROW(bloodVolumeFromSlider(window), RuntimeError);
    EXPECT_THROW(venousComplianceFromSlider(window), RuntimeError);
}

} // namespace
} // namespace talbrix
