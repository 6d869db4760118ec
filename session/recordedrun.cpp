#include "recordedrun.h"

#include "runwindow.h"

namespace talbrix {
namespace {

// Passes every call to the window, keeping on the way the number of each
// readout the model writes: the beat log's rows carry them beside the texts.
class ValueKeeper final : public RunWindow {
public:
    ValueKeeper(RunWindow &window, std::array<double, readoutCount> &values)
        : m_window(window)
        , m_values(values)
    {
    }

    std::int32_t readSlider(int slider) override { return m_window.readSlider(slider); }
    bool fibrillationSelected() override { return m_window.fibrillationSelected(); }
    std::string heartRateText() override { return m_window.heartRateText(); }
    void publish(Readout readout, Number value, TextForm form) override
    {
        m_values[static_cast<std::size_t>(readout) - 1] = value.value;
        m_window.publish(readout, value, form);
    }
    void plotPoint(std::int16_t x, std::int16_t y) override { m_window.plotPoint(x, y); }
    void setDrawColour(std::int32_t colour) override { m_window.setDrawColour(colour); }
    void clearPlot() override { m_window.clearPlot(); }
    ControlSettings controlSettings() const override { return m_window.controlSettings(); }
    std::string readoutText(Readout readout) const override { return m_window.readoutText(readout); }

private:
    RunWindow &m_window;
    std::array<double, readoutCount> &m_values;
};

} // namespace

TickOutcome RecordedRun::tick(RunWindow &window)
{
    // A tick that fails is still in the record: replaying it fails alike.
    if (m_recording)
        m_recorder.beforeTick(window.controlSettings());
    ValueKeeper keeper(window, m_values);
    const TickOutcome outcome = m_tick(m_state, keeper);
    if (m_recording)
        m_recorder.afterTick(window.heartRateText());
    if (outcome.cleared)
        m_sweep.clear();
    m_sweep.push_back({ m_state.plotX, outcome.aorticY, m_state.plotY });
    m_beats.afterTick(++m_ticks, outcome, window, m_values);
    return outcome;
}

void RecordedRun::holdReference(const RunWindow &window)
{
    Reference reference;
    reference.tick = m_ticks;
    reference.sweep = m_sweep;
    for (int box = 1; box <= readoutCount; ++box)
        reference.texts[static_cast<std::size_t>(box) - 1] = window.readoutText(static_cast<Readout>(box));
    reference.controls = window.controlSettings();
    reference.latestBeat = m_beats.latest();
    m_reference = std::move(reference);
    if (m_recording)
        m_recorder.command("hold-reference", window.controlSettings());
}

void RecordedRun::clearReference(const RunWindow &window)
{
    if (!m_reference)
        return;
    m_reference.reset();
    if (m_recording)
        m_recorder.command("clear-reference", window.controlSettings());
}

std::optional<Comparison> RecordedRun::comparison(const RunWindow &window) const
{
    if (!m_reference)
        return std::nullopt;
    std::array<std::string, readoutCount> texts;
    for (int box = 1; box <= readoutCount; ++box)
        texts[static_cast<std::size_t>(box) - 1] = window.readoutText(static_cast<Readout>(box));
    // Beside the reference's latest beat, the latest since it was held; the
    // boxes as they are until one has come.
    std::optional<BeatRow> latest = m_beats.latest();
    if (latest && latest->tick <= m_reference->tick)
        latest.reset();
    return compare(*m_reference, texts, latest, window.controlSettings());
}

std::string RecordedRun::scenario(const RunWindow &window) const
{
    return m_recorder.scenario(window.controlSettings());
}

} // namespace talbrix
