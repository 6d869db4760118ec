#pragma once

#include "runwindow.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace talbrix {

// One point set on the plot.
struct PlottedPoint {
    std::int16_t x;
    std::int16_t y;
    std::int32_t colour;
};

// The window's controls held in memory: six slider positions, the two option
// buttons, the thirteen text boxes (starting from their creation texts) and
// the points plotted since the last clear. Published values are rendered
// exactly as the real window renders them.
class MemoryWindow : public RunWindow {
public:
    MemoryWindow();

    std::int32_t readSlider(int slider) override;
    bool fibrillationSelected() override;
    std::string heartRateText() override;
    void publish(Readout readout, Number value, TextForm form) override;
    void plotPoint(std::int16_t x, std::int16_t y) override;
    void setDrawColour(std::int32_t colour) override;
    void clearPlot() override;
    ControlSettings controlSettings() const override;
    std::string readoutText(Readout readout) const override { return text(readout); }

    void setSlider(int slider, std::int32_t position);
    void selectFibrillation(); // Option1 on, Option2 off
    void selectDefibrillation(); // Option2 on, Option1 off
    void setText(Readout readout, std::string text);

    const std::string &text(Readout readout) const;
    std::int32_t slider(int slider) const;
    bool option1() const { return m_option1; }
    bool option2() const { return m_option2; }
    const std::vector<PlottedPoint> &points() const { return m_points; }
    std::int32_t drawColour() const { return m_drawColour; }

private:
    std::array<std::int32_t, sliderCount> m_sliders {};
    std::array<std::string, readoutCount> m_texts;
    bool m_option1 = false;
    bool m_option2 = false;
    // Picture1's drawing colour at load is the system window-background colour;
    // in memory it is recorded as white.
    std::int32_t m_drawColour = 0xFFFFFF;
    std::vector<PlottedPoint> m_points;
};

} // namespace talbrix
