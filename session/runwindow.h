#pragma once

#include "windowinterface.h"

#include <array>
#include <cstdint>
#include <string>

namespace talbrix {

// Which of the two option buttons is selected. At load neither is, and no
// click can return there: a radio button is only ever replaced by the other.
enum class OptionSelection { None, Fibrillate, Defibrillate };

// Everything a tick reads from the controls that a user can change.
struct ControlSettings {
    std::array<std::int32_t, sliderCount> sliders {}; // Slider1..Slider6, 0..10
    OptionSelection option = OptionSelection::None;
    std::string text8; // UTF-8, as the tick reads it

    bool operator==(const ControlSettings &) const = default;
};

// The controls as the window creates them.
ControlSettings loadSettings();

// A window a run can be kept in: besides what the model uses, it tells what
// its controls hold, so that a tick can be recorded as the user set it up.
class RunWindow : public WindowInterface {
public:
    virtual ControlSettings controlSettings() const = 0;
    // What a readout's box shows now.
    virtual std::string readoutText(Readout readout) const = 0;
};

} // namespace talbrix
