#include "replayjob.h"

#include "catalogue.h"

namespace talbrix {

std::string tooLargeToOpen()
{
    return textOf("file.too-large", { std::to_string(maxOpenedBytes >> 20) });
}

std::unique_ptr<ReplayJob> ReplayJob::opening(std::string scenario)
{
    const bool tooLarge = scenario.size() > maxOpenedBytes;
    auto job = std::unique_ptr<ReplayJob>(new ReplayJob(tooLarge ? std::string() : std::move(scenario), std::nullopt));
    if (tooLarge) {
        job->m_error = tooLargeToOpen();
        job->m_status = Status::Refused;
    }
    return job;
}

std::unique_ptr<ReplayJob> ReplayJob::table(std::string scenario, TraceWriter::Sink sink)
{
    return std::unique_ptr<ReplayJob>(new ReplayJob(std::move(scenario), std::move(sink)));
}

ReplayJob::ReplayJob(std::string scenario, std::optional<TraceWriter::Sink> sink)
    : m_text(std::move(scenario))
    , m_checkLines(m_text)
    , m_check(m_checkLines)
    , m_replayLines(m_text)
{
    if (sink)
        m_trace.emplace(std::move(*sink));
}

void ReplayJob::startReplay()
{
    // Only a run that is opened goes on being recorded; a table is written
    // from a record that exists already.
    m_replay.emplace(m_replayLines, m_trace ? &*m_trace : nullptr, !m_trace);
    m_replay->run().setTickFunction(m_tick);
}

ReplayJob::Status ReplayJob::advance(std::uint64_t budget)
{
    if (m_status != Status::Running)
        return m_status;
    try {
        if (!m_replay) {
            if (m_check.advance(budget))
                return m_status;
            if (!m_check.valid()) {
                m_error = m_check.error();
                return m_status = Status::Refused;
            }
            startReplay();
            return m_status;
        }
        switch (m_replay->advance(budget)) {
        case ScenarioReplay::Status::Running:
            break;
        case ScenarioReplay::Status::Finished:
            m_status = Status::Finished;
            break;
        case ScenarioReplay::Status::BadLine:
        case ScenarioReplay::Status::ReadError:
        case ScenarioReplay::Status::RuntimeError:
            m_error = m_replay->error();
            m_status = Status::Failed;
            break;
        }
    } catch (const TraceWriteError &error) {
        m_error = error.what();
        m_status = Status::Failed;
    }
    return m_status;
}

RecordedRun ReplayJob::takeRun()
{
    RecordedRun run = std::move(m_replay->run());
    run.setTickFunction(&runTick); // a test's failing tick was for the replay only
    return run;
}

double ReplayJob::progress() const
{
    constexpr double checkShare = 0.1;
    if (!m_replay) {
        const double checked = m_text.empty() ? 1.0 : static_cast<double>(m_checkLines.bytesRead()) / static_cast<double>(m_text.size());
        return checkShare * checked;
    }
    const double replayed
        = m_check.ticks() == 0 ? 1.0 : static_cast<double>(m_replay->ticks()) / static_cast<double>(m_check.ticks());
    return checkShare + (1 - checkShare) * replayed;
}

} // namespace talbrix
