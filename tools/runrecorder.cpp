#include "runrecorder.h"

#include "controlvalues.h"

namespace talbrix {
namespace {

// A comment the runner skips; it tells whoever opens the file what it is.
constexpr const char *heading = "# Talbrix run, from load: open it in Talbrix or replay it with talbrix-trace\n";

} // namespace

ControlSettings loadSettings()
{
    return { sliderLoadPositions, OptionSelection::None, readoutCreationTexts[7] };
}

RunRecorder::RunRecorder()
    : m_text(heading)
    , m_last(loadSettings())
{
}

void RunRecorder::beforeTick(const ControlSettings &settings)
{
    if (!(settings == m_last)) {
        closeTicks();
        writeChanges(settings);
        m_last = settings;
    }
    ++m_pendingTicks;
    ++m_ticks;
}

void RunRecorder::afterTick(const std::string &text8)
{
    m_last.text8 = text8;
}

void RunRecorder::writeChanges(const ControlSettings &settings)
{
    for (std::size_t i = 0; i < settings.sliders.size(); ++i) {
        if (settings.sliders[i] != m_last.sliders[i])
            m_text += "slider " + std::to_string(i + 1) + ' ' + std::to_string(settings.sliders[i]) + '\n';
    }
    if (settings.option != m_last.option && settings.option != OptionSelection::None)
        m_text += settings.option == OptionSelection::Fibrillate ? "fibrillate\n" : "defibrillate\n";
    if (settings.text8 != m_last.text8)
        m_text += "text8 " + settings.text8 + '\n';
}

void RunRecorder::closeTicks()
{
    if (m_pendingTicks > 0)
        m_text += "ticks " + std::to_string(m_pendingTicks) + '\n';
    m_pendingTicks = 0;
}

std::string RunRecorder::scenario() const
{
    if (m_pendingTicks == 0)
        return m_text;
    return m_text + "ticks " + std::to_string(m_pendingTicks) + '\n';
}

} // namespace talbrix
