#include "scenariorunner.h"

#include "circulation.h"
#include "memorywindow.h"
#include "runtimeerror.h"
#include "scenario.h"
#include "tracewriter.h"

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

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

    void report(const std::string &message)
    {
        m_trace.flush();
        std::fprintf(m_err, "%s\n", message.c_str());
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

// Lines of a stdio stream, any length, NUL bytes included; a read error is
// told apart from the end of the input.
class LineInput {
public:
    explicit LineInput(std::FILE *file)
        : m_file(file)
    {
    }

    // The next line without its line feed, or nothing at the end or on an
    // error.
    std::optional<std::string_view> next()
    {
        char *buffer = m_buffer.release();
        const ssize_t length = ::getline(&buffer, &m_capacity, m_file);
        m_error = length < 0 && std::ferror(m_file) ? errno : 0;
        m_buffer.reset(buffer);
        if (length <= 0)
            return std::nullopt;
        std::string_view line(buffer, static_cast<std::size_t>(length));
        if (line.back() == '\n')
            line.remove_suffix(1);
        return line;
    }

    int error() const { return m_error; }

private:
    struct Free {
        void operator()(char *p) const { std::free(p); }
    };
    std::FILE *m_file;
    std::unique_ptr<char, Free> m_buffer;
    std::size_t m_capacity = 0;
    int m_error = 0;
};

} // namespace

int runScenario(std::FILE *scenario, std::string_view source, std::FILE *out, std::FILE *err)
{
    try {
        ScenarioRun run(out, err);
        LineInput input(scenario);
        ScenarioReader reader;
        while (const auto line = input.next()) {
            const ParsedLine parsed = reader.parseNext(*line);
            if (!parsed.error.empty()) {
                run.report(reader.message(parsed.error));
                return scenarioBadLine;
            }
            if (parsed.command) {
                const int status = run.execute(*parsed.command);
                if (status != scenarioOk)
                    return status;
            }
        }
        if (input.error() != 0) {
            // A read error is not the end of the scenario.
            run.report("cannot read " + std::string(source) + ": " + std::generic_category().message(input.error()));
            return scenarioBadLine;
        }
        run.finish();
        return scenarioOk;
    } catch (const TraceWriteError &error) {
        std::fprintf(err, "%s\n", error.what());
        return scenarioWriteError;
    }
}

} // namespace talbrix
