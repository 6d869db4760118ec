#include "runrecorder.h"

#include "formtable.h"

namespace talbrix {
namespace {

// A comment the runner skips; it tells whoever opens the file what it is.
constexpr const char *heading = "# Talbrix run, from load: open it in Talbrix or replay it with talbrix-trace\n";

// The commands that take the controls from `from` to `to`.
void appendChanges(std::string &text, const ControlSettings &from, const ControlSettings &to)
{
    for (std::size_t i = 0; i < to.sliders.size(); ++i) {
        if (to.sliders[i] != from.sliders[i])
            text += "slider " + std::to_string(i + 1) + ' ' + std::to_string(to.sliders[i]) + '\n';
    }
    if (to.option != from.option && to.option != OptionSelection::None)
        text += to.option == OptionSelection::Fibrillate ? "fibrillate\n" : "defibrillate\n";
    if (to.text8 != from.text8)
        text += "text8 " + to.text8 + '\n';
}

} // namespace

ControlSettings loadSettings()
{
    ControlSettings settings;
    for (std::size_t i = 0; i < settings.sliders.size(); ++i)
        settings.sliders[i] = form::sliders[i].position;
    settings.text8 = form::textOf(Readout::Text8).text;
    return settings;
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
        appendChanges(m_text, m_last, settings);
        m_last = settings;
    }
    ++m_pendingTicks;
    ++m_ticks;
}

void RunRecorder::afterTick(const std::string &text8)
{
    m_last.text8 = text8;
}

void RunRecorder::command(const std::string &line, const ControlSettings &now)
{
    closeTicks();
    appendChanges(m_text, m_last, now);
    m_last = now;
    m_text += line + '\n';
}

void RunRecorder::closeTicks()
{
    if (m_pendingTicks > 0)
        m_text += "ticks " + std::to_string(m_pendingTicks) + '\n';
    m_pendingTicks = 0;
}

std::string RunRecorder::scenario(const ControlSettings &now) const
{
    std::string text = m_text;
    if (m_pendingTicks > 0)
        text += "ticks " + std::to_string(m_pendingTicks) + '\n';
    appendChanges(text, m_last, now);
    return text;
}

} // namespace talbrix
