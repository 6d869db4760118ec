#pragma once

#include <cstdint>

namespace talbrix {

class WindowInterface;

// The six sliders and the parameters their positions give. Each function
// reads its slider(s) through the window at the moment it is called, so a
// slider moved between two reads is seen at the second one. Integer steps
// are overflow-checked; divisions happen in double.

double resistanceFromSlider(WindowInterface &window); // mmHg*s/ml, Slider1: (s + 1) / 3
double aorticComplianceFromSlider(WindowInterface &window); // ml/mmHg, Slider2: ((s + 6) / 10)^2
std::int32_t heartRateFromSlider(WindowInterface &window); // beats/min, Slider3: 16 s + 16
double contractilityFromSlider(WindowInterface &window); // mmHg/ml, Slider4: (15 s + 320) / 130
std::int32_t peakFlowFromSlider(WindowInterface &window); // ml/s, Slider4: 50 s + 200
std::int32_t venousOffsetFromSliders(WindowInterface &window); // mmHg, Slider5 - Slider6 - 2
std::int32_t bloodVolumeFromSlider(WindowInterface &window); // ml, Slider5: 300 s + 3500
std::int32_t venousComplianceFromSlider(WindowInterface &window); // Slider6: 8 s + 10

} // namespace talbrix
