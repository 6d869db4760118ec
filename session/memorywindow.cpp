#include "memorywindow.h"

#include "formtable.h"

#include <stdexcept>

namespace talbrix {
namespace {

std::size_t index(Readout readout)
{
    return static_cast<std::size_t>(static_cast<int>(readout) - 1);
}

std::size_t sliderIndex(int slider)
{
    if (slider < 1 || slider > sliderCount)
        throw std::out_of_range("slider number must be 1..6");
    return static_cast<std::size_t>(slider - 1);
}

} // namespace

MemoryWindow::MemoryWindow()
{
    for (std::size_t i = 0; i < m_sliders.size(); ++i)
        m_sliders[i] = form::sliders[i].position;
    for (std::size_t i = 0; i < m_texts.size(); ++i)
        m_texts[i] = form::texts[i].text;
}

std::int32_t MemoryWindow::readSlider(int slider)
{
    return m_sliders[sliderIndex(slider)];
}

bool MemoryWindow::fibrillationSelected()
{
    return m_option1;
}

std::string MemoryWindow::heartRateText()
{
    return m_texts[index(Readout::Text8)];
}

void MemoryWindow::publish(Readout readout, Number value, TextForm form)
{
    toText(value, form, m_texts[index(readout)]);
}

void MemoryWindow::plotPoint(std::int16_t x, std::int16_t y)
{
    m_points.push_back({ x, y, m_drawColour });
}

void MemoryWindow::setDrawColour(std::int32_t colour)
{
    m_drawColour = colour;
}

void MemoryWindow::clearPlot()
{
    m_points.clear();
}

ControlSettings MemoryWindow::controlSettings() const
{
    ControlSettings settings;
    settings.sliders = m_sliders;
    if (m_option1)
        settings.option = OptionSelection::Fibrillate;
    else if (m_option2)
        settings.option = OptionSelection::Defibrillate;
    settings.text8 = text(Readout::Text8);
    return settings;
}

void MemoryWindow::setSlider(int slider, std::int32_t position)
{
    m_sliders[sliderIndex(slider)] = position;
}

void MemoryWindow::selectFibrillation()
{
    m_option1 = true;
    m_option2 = false;
}

void MemoryWindow::selectDefibrillation()
{
    m_option1 = false;
    m_option2 = true;
}

void MemoryWindow::setText(Readout readout, std::string text)
{
    m_texts[index(readout)] = std::move(text);
}

const std::string &MemoryWindow::text(Readout readout) const
{
    return m_texts[index(readout)];
}

std::int32_t MemoryWindow::slider(int slider) const
{
    return m_sliders[sliderIndex(slider)];
}

} // namespace talbrix
