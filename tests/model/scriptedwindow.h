#pragma once

#include "controlvalues.h"
#include "numbertext.h"
#include "windowinterface.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace talbrix::test {

// A window for model tests: sliders, the fibrillation option and Text8 are
// set by the test; everything the model hands out is recorded as the window
// would show it.
class ScriptedWindow : public WindowInterface {
public:
    struct Point {
        std::int16_t x;
        std::int16_t y;
        std::int32_t colour;
    };

    ScriptedWindow()
        : sliders(sliderLoadPositions)
    {
        for (std::size_t i = 0; i < texts.size(); ++i)
            texts[i] = readoutCreationTexts[i];
    }

    std::int32_t readSlider(int slider) override
    {
        ++sliderReads[static_cast<std::size_t>(slider - 1)];
        return sliders[static_cast<std::size_t>(slider - 1)];
    }
    bool fibrillationSelected() override { return fibrillation; }
    std::string heartRateText() override { return text(Readout::Text8); }
    void publish(Readout readout, Number value, TextForm form) override
    {
        texts[index(readout)] = toText(value, form);
        published.push_back(readout);
    }
    void plotPoint(std::int16_t x, std::int16_t y) override { points.push_back({ x, y, colour }); }
    void setDrawColour(std::int32_t newColour) override { colour = newColour; }
    void clearPlot() override
    {
        points.clear();
        ++clears;
    }

    const std::string &text(Readout readout) const { return texts[index(readout)]; }
    void setText(Readout readout, std::string value) { texts[index(readout)] = std::move(value); }
    void setSlider(int slider, std::int32_t position) { sliders[static_cast<std::size_t>(slider - 1)] = position; }

    std::array<std::int32_t, sliderCount> sliders;
    std::array<int, sliderCount> sliderReads {};
    std::array<std::string, readoutCount> texts;
    bool fibrillation = false;
    std::int32_t colour = 0xFFFFFF;
    std::vector<Point> points;
    std::vector<Readout> published;
    int clears = 0;

private:
    static std::size_t index(Readout readout) { return static_cast<std::size_t>(static_cast<int>(readout) - 1); }
};

} // namespace talbrix::test
