#include "scenarioreplay.h"

#include "runtimeerror.h"
#include "tracewriter.h"

#include <limits>
#include <system_error>
#include <type_traits>

namespace talbrix {

ScenarioReplay::ScenarioReplay(LineSource &lines, TraceWriter *trace, bool recording)
    : m_lines(lines)
    , m_trace(trace)
    , m_run(recording)
{
    m_run.load(m_window);
    if (m_trace) {
        m_trace->writeHeader();
        m_trace->writeRow(0, m_run.state(), TickOutcome {}, m_window);
    }
}

ScenarioReplay::Status ScenarioReplay::advance(std::uint64_t budget)
{
    while (m_status == Status::Running && budget > 0) {
        --budget;
        if (m_ticksLeft > 0) {
            if (!runTick())
                break;
            --m_ticksLeft;
        } else if (!readCommand()) {
            break;
        }
    }
    if (m_trace && m_status != Status::Running)
        m_trace->flush();
    return m_status;
}

// Reads the next line and carries out its command; false at the end of the
// scenario or at a bad line.
bool ScenarioReplay::readCommand()
{
    const auto line = m_lines.next();
    if (!line) {
        if (m_lines.error() != 0) {
            m_error = std::generic_category().message(m_lines.error());
            m_status = Status::ReadError;
        } else {
            m_status = Status::Finished;
        }
        return false;
    }
    const ParsedLine parsed = m_reader.parseNext(*line);
    if (!parsed.error.empty()) {
        m_error = m_reader.message(parsed.error);
        m_status = Status::BadLine;
        return false;
    }
    if (parsed.command)
        execute(*parsed.command);
    return true;
}

void applyControl(const ScenarioCommand &command, MemoryWindow &window, RecordedRun &run)
{
    std::visit(
        [&](const auto &c) {
            using Command = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<Command, SliderCommand>)
                window.setSlider(c.slider, c.position);
            else if constexpr (std::is_same_v<Command, FibrillateCommand>)
                window.selectFibrillation();
            else if constexpr (std::is_same_v<Command, DefibrillateCommand>)
                window.selectDefibrillation();
            else if constexpr (std::is_same_v<Command, Text8Command>)
                window.setText(Readout::Text8, c.text);
            else if constexpr (std::is_same_v<Command, HoldReferenceCommand>)
                run.holdReference(window);
            else if constexpr (std::is_same_v<Command, ClearReferenceCommand>)
                run.clearReference(window);
        },
        command);
}

void ScenarioReplay::execute(const ScenarioCommand &command)
{
    if (const auto *ticks = std::get_if<TicksCommand>(&command))
        m_ticksLeft = ticks->count;
    else
        applyControl(command, m_window, m_run);
}

bool ScenarioReplay::runTick()
{
    TickOutcome outcome;
    try {
        outcome = m_run.tick(m_window);
    } catch (const RuntimeError &error) {
        m_error = "tick " + std::to_string(m_run.ticks() + 1) + ": " + error.what();
        m_status = Status::RuntimeError;
        return false;
    }
    if (m_trace)
        m_trace->writeRow(m_run.ticks(), m_run.state(), outcome, m_window);
    return true;
}

bool ScenarioCheck::advance(std::uint64_t budget)
{
    for (; !m_done && budget > 0; --budget) {
        const auto line = m_lines.next();
        if (!line) {
            if (m_lines.error() != 0)
                m_error = std::generic_category().message(m_lines.error());
            m_done = true;
            break;
        }
        const ParsedLine parsed = m_reader.parseNext(*line);
        if (!parsed.error.empty()) {
            m_error = m_reader.message(parsed.error);
            m_done = true;
        } else if (const auto *ticks = parsed.command ? std::get_if<TicksCommand>(&*parsed.command) : nullptr) {
            const std::uint64_t room = std::numeric_limits<std::uint64_t>::max() - m_ticks;
            m_ticks += ticks->count < room ? ticks->count : room;
        }
    }
    return !m_done;
}

} // namespace talbrix
