#pragma once

#include "numbertext.h"

#include <cstdint>
#include <string>

namespace talbrix {

// The thirteen readout boxes, numbered as the window's Text1..Text13.
enum class Readout : int {
    Text1 = 1,
    Text2,
    Text3,
    Text4,
    Text5,
    Text6,
    Text7,
    Text8,
    Text9,
    Text10,
    Text11,
    Text12,
    Text13
};

inline constexpr int readoutCount = 13;
inline constexpr int sliderCount = 6;

// Colours as the plot takes them: low byte red, high byte blue.
inline constexpr std::int32_t colourBlack = 0x000000;
inline constexpr std::int32_t colourBlue = 0xFF0000;

// Everything the model needs from the window, and nothing more. The Qt window
// implements it for real; the scenario runner, the benchmarks and the tests
// supply in-memory versions. Calls are synchronous and made in the exact order
// the model needs them; slider positions are read at the moment a formula
// uses them, never cached.
class WindowInterface {
public:
    virtual ~WindowInterface() = default;

    // Current position of Slider1..Slider6.
    virtual std::int32_t readSlider(int slider) = 0;
    // True while Option1 ("Fibrillate") is selected.
    virtual bool fibrillationSelected() = 0;
    // The text Text8 holds right now (a user may have typed into it).
    virtual std::string heartRateText() = 0;
    // Replace the readout's whole text by the number in the given form
    // (toText() of the runtime gives the exact text).
    virtual void publish(Readout readout, Number value, TextForm form) = 0;
    // Set one point of the plot, in the plot's twip coordinates, in the
    // current drawing colour.
    virtual void plotPoint(std::int16_t x, std::int16_t y) = 0;
    virtual void setDrawColour(std::int32_t colour) = 0;
    // Erase every plotted point; the grid and the drawing colour stay.
    virtual void clearPlot() = 0;
};

} // namespace talbrix
