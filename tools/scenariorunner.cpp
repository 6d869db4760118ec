#include "scenariorunner.h"

#include "circulation.h"
#include "memorywindow.h"
#include "runtimeerror.h"
#include "scenario.h"
#include "tracewriter.h"

#include <string>

namespace talbrix {
namespace {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

class ScenarioRun {
public:
    ScenarioRun(std::FILE *out, std::FILE *err)
        : m_trace(out)
        , m_err(err)
    {
        loadCirculation(m_state, m_window);
        m_trace.writeHeader();
        m_trace.writeRow(0, m_state, TickOutcome {}, m_window);
    }

    // Returns scenarioOk, or the status to exit with.
    int execute(const ScenarioCommand &command)
    {
        return std::visit(Overloaded {
                              [&](const SliderCommand &c) {
                                  m_window.setSlider(c.slider, c.position);
                                  return scenarioOk;
                              },
                              [&](const FibrillateCommand &) {
                                  m_window.selectFibrillation();
                                  return scenarioOk;
                              },
                              [&](const DefibrillateCommand &) {
                                  m_window.selectDefibrillation();
                                  return scenarioOk;
                              },
                              [&](const Text8Command &c) {
                                  m_window.setText(Readout::Text8, c.text);
                                  return scenarioOk;
                              },
                              [&](const TicksCommand &c) { return runTicks(c.count); },
                          },
            command);
    }

    void reportBadLine(std::uint64_t line, const std::string &reason)
    {
        m_trace.flush();
        std::fprintf(m_err, "line %llu: %s\n", static_cast<unsigned long long>(line), reason.c_str());
    }

    void finish() { m_trace.flush(); }

private:
    int runTicks(std::uint64_t count)
    {
        for (std::uint64_t i = 0; i < count; ++i) {
            TickOutcome outcome;
            try {
                outcome = runTick(m_state, m_window);
            } catch (const RuntimeError &error) {
                m_trace.flush();
                std::fprintf(m_err, "tick %llu: %s\n", static_cast<unsigned long long>(m_ticks) + 1, error.what());
                return scenarioRuntimeError;
            }
            ++m_ticks;
            m_trace.writeRow(m_ticks, m_state, outcome, m_window);
        }
        return scenarioOk;
    }

    CirculationState m_state;
    MemoryWindow m_window;
    TraceWriter m_trace;
    std::FILE *m_err;
    std::uint64_t m_ticks = 0;
};

} // namespace

int runScenario(std::istream &scenario, std::FILE *out, std::FILE *err)
{
    ScenarioRun run(out, err);
    std::string line;
    std::uint64_t lineNumber = 0;
    while (std::getline(scenario, line)) {
        ++lineNumber;
        const ParsedLine parsed = parseScenarioLine(line);
        if (!parsed.error.empty()) {
            run.reportBadLine(lineNumber, parsed.error);
            return scenarioBadLine;
        }
        if (parsed.command) {
            const int status = run.execute(*parsed.command);
            if (status != scenarioOk)
                return status;
        }
    }
    run.finish();
    return scenarioOk;
}

} // namespace talbrix
