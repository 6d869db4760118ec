#pragma once

#include "runwindow.h"

#include <cstdint>
#include <string>

namespace talbrix {

// Keeps a run as a scenario while it happens. Before each tick the window
// hands over the controls as that tick reads them, and after it the text the
// tick left in Text8 (a beat boundary rewrites it). A command is written only
// where the controls differ from what a replay would hold at that moment, and
// consecutive ticks collapse into one `ticks N` line, so a pause costs nothing
// and a long steady run a single line. Replaying the text from load gives the
// same ticks bit for bit, because the model reads nothing else from the window.
class RunRecorder {
public:
    RunRecorder();

    void beforeTick(const ControlSettings &settings);
    void afterTick(const std::string &text8);
    // A command between ticks that is not a control (holding a reference),
    // after the control changes it follows, so that a replay carries it out
    // with the controls as they were.
    void command(const std::string &line, const ControlSettings &now);

    std::uint64_t ticks() const { return m_ticks; }
    // The record so far as scenario text, one command per line, ending with
    // the commands that set the controls as they are `now`: a case prepared
    // with the timer stopped opens as it was left, though no tick read it.
    std::string scenario(const ControlSettings &now) const;

private:
    void closeTicks();

    std::string m_text; // every line but the ticks still being counted
    ControlSettings m_last; // as a replay of m_text would leave the controls
    std::uint64_t m_pendingTicks = 0;
    std::uint64_t m_ticks = 0;
};

} // namespace talbrix
