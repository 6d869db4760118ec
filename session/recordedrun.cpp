#include "recordedrun.h"

#include "runwindow.h"

namespace talbrix {

TickOutcome RecordedRun::tick(RunWindow &window)
{
    if (!m_recording) {
        const TickOutcome outcome = m_tick(m_state, window);
        m_beats.afterTick(++m_ticks, outcome, window);
        return outcome;
    }
    // A tick that fails is still in the record: replaying it fails alike.
    m_recorder.beforeTick(window.controlSettings());
    const TickOutcome outcome = m_tick(m_state, window);
    m_recorder.afterTick(window.heartRateText());
    m_beats.afterTick(++m_ticks, outcome, window);
    return outcome;
}

std::string RecordedRun::scenario(const RunWindow &window) const
{
    return m_recorder.scenario(window.controlSettings());
}

} // namespace talbrix
