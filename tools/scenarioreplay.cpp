#include "scenarioreplay.h"

#include "runtimeerror.h"
#include "tracewriter.h"

#include <limits>
#include <type_traits>

namespace talbrix {
namespace {

constexpr const char *unreadable = "the scenario cannot be read to its end";

} // namespace

ScenarioCheck checkScenario(std::istream &scenario)
{
    ScenarioCheck check;
    ScenarioReader reader;
    for (std::string line; std::getline(scenario, line);) {
        const ParsedLine parsed = reader.parseNext(line);
        if (!parsed.error.empty()) {
            check.error = reader.message(parsed.error);
            return check;
        }
        if (const auto *ticks = parsed.command ? std::get_if<TicksCommand>(&*parsed.command) : nullptr) {
            const std::uint64_t room = std::numeric_limits<std::uint64_t>::max() - check.ticks;
            check.ticks += ticks->count < room ? ticks->count : room;
        }
    }
    if (scenario.bad())
        check.error = unreadable;
    return check;
}

ScenarioReplay::ScenarioReplay(std::istream &scenario, TraceWriter *trace, RunRecorder *recorder)
    : m_scenario(scenario)
    , m_trace(trace)
    , m_recorder(recorder)
{
    loadCirculation(m_state, m_window);
    if (m_trace) {
        m_trace->writeHeader();
        m_trace->writeRow(0, m_state, TickOutcome {}, m_window);
    }
}

ControlSettings ScenarioReplay::settings() const
{
    ControlSettings settings;
    for (int slider = 1; slider <= sliderCount; ++slider)
        settings.sliders[static_cast<std::size_t>(slider - 1)] = m_window.slider(slider);
    if (m_window.option1())
        settings.option = OptionSelection::Fibrillate;
    else if (m_window.option2())
        settings.option = OptionSelection::Defibrillate;
    settings.text8 = m_window.text(Readout::Text8);
    return settings;
}

ScenarioReplay::Status ScenarioReplay::advance(std::uint64_t tickBudget)
{
    while (m_status == Status::Running && tickBudget > 0) {
        if (m_ticksLeft > 0) {
            if (!runTick())
                break;
            --m_ticksLeft;
            --tickBudget;
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
    if (!std::getline(m_scenario, m_line)) {
        if (m_scenario.bad()) {
            m_error = unreadable;
            m_status = Status::BadLine;
        } else {
            m_status = Status::Finished;
        }
        return false;
    }
    const ParsedLine parsed = m_reader.parseNext(m_line);
    if (!parsed.error.empty()) {
        m_error = m_reader.message(parsed.error);
        m_status = Status::BadLine;
        return false;
    }
    if (parsed.command)
        execute(*parsed.command);
    return true;
}

void ScenarioReplay::execute(const ScenarioCommand &command)
{
    std::visit(
        [this](const auto &c) {
            using Command = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<Command, SliderCommand>)
                m_window.setSlider(c.slider, c.position);
            else if constexpr (std::is_same_v<Command, FibrillateCommand>)
                m_window.selectFibrillation();
            else if constexpr (std::is_same_v<Command, DefibrillateCommand>)
                m_window.selectDefibrillation();
            else if constexpr (std::is_same_v<Command, Text8Command>)
                m_window.setText(Readout::Text8, c.text);
            else
                m_ticksLeft = c.count;
        },
        command);
}

bool ScenarioReplay::runTick()
{
    if (m_recorder)
        m_recorder->beforeTick(settings());
    TickOutcome outcome;
    try {
        outcome = m_tick(m_state, m_window);
    } catch (const RuntimeError &error) {
        m_error = "tick " + std::to_string(m_ticks + 1) + ": " + error.what();
        m_status = Status::RuntimeError;
        return false;
    }
    ++m_ticks;
    if (m_recorder)
        m_recorder->afterTick(m_window.text(Readout::Text8));
    if (m_trace)
        m_trace->writeRow(m_ticks, m_state, outcome, m_window);
    return true;
}

} // namespace talbrix
