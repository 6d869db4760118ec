#pragma once

#include "linesource.h"
#include "memorywindow.h"
#include "recordedrun.h"
#include "scenarioreplay.h"
#include "tracewriter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace talbrix {

// The largest file an edition opens as a run: every scenario a user or a
// teacher makes is far smaller (an hour of busy slider work records a few
// hundred kilobytes), and a larger one is refused before it is held twice in
// memory and checked.
inline constexpr std::size_t maxOpenedBytes = std::size_t { 64 } << 20;
// Why such a file is refused.
std::string tooLargeToOpen();

// A replay that an edition runs a slice at a time while it shows progress
// and offers Cancel: opening a scenario, or writing the table of a run. The
// text is checked whole first (a bad line refuses the file before any tick
// runs), then replayed. Nothing the job does touches the edition's window:
// an opened run comes back as a value for the window to adopt, a table as
// blocks handed to a sink.
class ReplayJob {
public:
    enum class Status {
        Running,
        Finished,
        Refused, // the text is not a valid scenario; nothing was replayed
        Failed, // the replay stopped at a tick
    };

    // Replays `scenario` recording, for the window to go on from; refused at
    // once when it is larger than maxOpenedBytes.
    static std::unique_ptr<ReplayJob> opening(std::string scenario);
    // Replays `scenario` writing its trace to `sink`, as talbrix-trace prints
    // it. A sink that throws TraceWriteError fails the job with its reason.
    static std::unique_ptr<ReplayJob> table(std::string scenario, TraceWriter::Sink sink);

    ReplayJob(const ReplayJob &) = delete;
    ReplayJob &operator=(const ReplayJob &) = delete;

    // Does up to `budget` units of work: a line checked or read, a tick run.
    Status advance(std::uint64_t budget);
    Status status() const { return m_status; }
    // 0..1: checking counts for the first tenth, replaying for the rest.
    double progress() const;
    // Why the job was refused or failed, in the runner's words.
    const std::string &error() const { return m_error; }

    // The replayed run and the controls it left, once finished.
    const MemoryWindow &window() const { return m_replay->window(); }
    RecordedRun takeRun();

    // Tests put a failing tick here, before the first advance.
    void setTickFunction(RecordedRun::TickFunction function) { m_tick = function; }

private:
    ReplayJob(std::string scenario, std::optional<TraceWriter::Sink> sink);
    void startReplay();

    std::string m_text;
    TextLines m_checkLines;
    ScenarioCheck m_check;
    TextLines m_replayLines;
    std::optional<TraceWriter> m_trace;
    std::optional<ScenarioReplay> m_replay;
    RecordedRun::TickFunction m_tick = &runTick;
    std::string m_error;
    Status m_status = Status::Running;
};

} // namespace talbrix
