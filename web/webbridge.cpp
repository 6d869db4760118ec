// The simulator's model and form for the web page: the same model, number
// conversions and in-memory window as the desktop and the scenario runner,
// behind a handful of C functions the page's script calls. The page owns the
// controls; before each tick it hands over what the user changed, and after
// a batch of ticks it reads back the readouts' texts and the new points.

#include "circulation.h"
#include "formjson.h"
#include "memorywindow.h"
#include "runrecorder.h"
#include "runtimeerror.h"
#include "scenarioreplay.h"
#include "tracewriter.h"

#include <emscripten/emscripten.h>

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

namespace talbrix {
namespace {

// The in-memory window, counting what the page must show: each readout's
// writes (a box a user typed into keeps its text until the model writes it
// again, even with the same number) and the plot's clears (a clear followed
// by new points is not the same as points merely added).
class PageWindow : public MemoryWindow {
public:
    void publish(Readout readout, Number value, TextForm form) override
    {
        ++m_writes.at(static_cast<std::size_t>(readout) - 1);
        MemoryWindow::publish(readout, value, form);
    }
    void clearPlot() override
    {
        ++m_clears;
        MemoryWindow::clearPlot();
    }
    std::uint32_t writes(Readout readout) const { return m_writes.at(static_cast<std::size_t>(readout) - 1); }
    std::uint32_t clears() const { return m_clears; }

    // Takes over a replayed window; every box and the plot count as written,
    // so the page shows them all again.
    void adopt(const MemoryWindow &replayed)
    {
        static_cast<MemoryWindow &>(*this) = replayed;
        for (std::uint32_t &count : m_writes)
            ++count;
        ++m_clears;
    }

    ControlSettings settings() const
    {
        ControlSettings settings;
        for (int slider = 1; slider <= sliderCount; ++slider)
            settings.sliders.at(static_cast<std::size_t>(slider - 1)) = this->slider(slider);
        if (option1())
            settings.option = OptionSelection::Fibrillate;
        else if (option2())
            settings.option = OptionSelection::Defibrillate;
        settings.text8 = text(Readout::Text8);
        return settings;
    }

private:
    std::array<std::uint32_t, readoutCount> m_writes {};
    std::uint32_t m_clears = 0;
};

struct Page {
    PageWindow window;
    CirculationState state;
    RunRecorder recorder; // the run from load, as a scenario
    std::string error; // the run-time error's name, once one has ended the run
    std::string text; // the last text handed to the page
};

// A replay the page drives a slice at a time, so it can show progress and
// be cancelled: opening a scenario (recorded, then taken over by the page
// only once it has run to its end), or writing the run's table.
struct Job {
    explicit Job(std::string scenarioText, bool table)
        : scenario(std::move(scenarioText))
        , trace([this](std::string_view block) { chunk.append(block); })
        , replay(scenario, table ? &trace : nullptr, table ? nullptr : &recorder)
    {
    }

    std::istringstream scenario;
    std::string chunk; // table text not yet taken by the page
    TraceWriter trace;
    RunRecorder recorder;
    ScenarioReplay replay;
    std::uint64_t total = 0;
};

Page *page = nullptr;
std::unique_ptr<Job> job;

const char *keep(std::string text)
{
    page->text = std::move(text);
    return page->text.c_str();
}

} // namespace
} // namespace talbrix

using talbrix::job;
using talbrix::keep;
using talbrix::page;

extern "C" {

// The form's table as JSON, built once.
EMSCRIPTEN_KEEPALIVE const char *talbrix_form_json()
{
    static const std::string json = talbrix::formJson();
    return json.c_str();
}

// A new window and the load step; any earlier run is discarded.
EMSCRIPTEN_KEEPALIVE int talbrix_load()
{
    delete page;
    page = new talbrix::Page;
    try {
        talbrix::loadCirculation(page->state, page->window);
    } catch (const std::exception &error) {
        page->error = error.what();
        return 1;
    }
    return 0;
}

EMSCRIPTEN_KEEPALIVE void talbrix_set_slider(int slider, int position)
{
    page->window.setSlider(slider, position);
}

// 1 selects Option1 (fibrillate), 2 selects Option2.
EMSCRIPTEN_KEEPALIVE void talbrix_select_option(int option)
{
    if (option == 1)
        page->window.selectFibrillation();
    else
        page->window.selectDefibrillation();
}

EMSCRIPTEN_KEEPALIVE void talbrix_set_text(int readout, const char *utf8)
{
    page->window.setText(static_cast<talbrix::Readout>(readout), utf8);
}

// Runs up to `count` ticks; returns how many ran. A run-time error stops at
// the failing tick (not counted) and is kept for talbrix_error().
EMSCRIPTEN_KEEPALIVE int talbrix_ticks(int count)
{
    if (!page->error.empty())
        return 0;
    int done = 0;
    try {
        for (; done < count; ++done) {
            page->recorder.beforeTick(page->window.settings());
            talbrix::runTick(page->state, page->window);
            page->recorder.afterTick(page->window.text(talbrix::Readout::Text8));
        }
    } catch (const std::exception &error) {
        page->error = error.what();
    }
    return done;
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_error()
{
    return page->error.c_str();
}

EMSCRIPTEN_KEEPALIVE std::uint32_t talbrix_publish_count(int readout)
{
    return page->window.writes(static_cast<talbrix::Readout>(readout));
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_text(int readout)
{
    return page->window.text(static_cast<talbrix::Readout>(readout)).c_str();
}

// The points since the last clear, as (int16 x, int16 y, int32 colour) records.
EMSCRIPTEN_KEEPALIVE const talbrix::PlottedPoint *talbrix_points()
{
    return page->window.points().data();
}

EMSCRIPTEN_KEEPALIVE int talbrix_point_count()
{
    return static_cast<int>(page->window.points().size());
}

EMSCRIPTEN_KEEPALIVE std::uint32_t talbrix_clear_count()
{
    return page->window.clears();
}

// The run so far as a scenario, ending with the controls as they stand.
EMSCRIPTEN_KEEPALIVE const char *talbrix_scenario()
{
    return keep(page->recorder.scenario(page->window.settings()));
}

// Starts replaying a scenario to open it (table == 0) or the run so far to
// write its table (table == 1). Returns 0, or -1 for a scenario that is not
// valid (talbrix_job_error() says which line and why).
EMSCRIPTEN_KEEPALIVE int talbrix_job_begin(const char *scenario, int table)
{
    std::string text = table ? page->recorder.scenario(page->window.settings()) : std::string(scenario);
    std::istringstream check(text);
    const talbrix::ScenarioCheck checked = talbrix::checkScenario(check);
    job.reset();
    if (!checked.error.empty()) {
        keep(checked.error);
        return -1;
    }
    job = std::make_unique<talbrix::Job>(std::move(text), table != 0);
    job->total = checked.ticks;
    return 0;
}

// Runs up to `ticks` more ticks of the job: 0 while it goes on, 1 when it
// has finished, 2 for a bad line, 3 for a run-time error (see talbrix_job_error).
EMSCRIPTEN_KEEPALIVE int talbrix_job_advance(double ticks)
{
    if (!job)
        return 2;
    using Status = talbrix::ScenarioReplay::Status;
    const Status status = job->replay.advance(static_cast<std::uint64_t>(ticks));
    switch (status) {
    case Status::Running:
        return 0;
    case Status::Finished:
        job->trace.flush();
        return 1;
    case Status::BadLine:
        return 2;
    case Status::RuntimeError:
        break;
    }
    return 3;
}

EMSCRIPTEN_KEEPALIVE double talbrix_job_total()
{
    if (!job)
        return 0;
    return static_cast<double>(job->total);
}

EMSCRIPTEN_KEEPALIVE double talbrix_job_ticks()
{
    if (!job)
        return 0;
    return static_cast<double>(job->replay.ticks());
}

EMSCRIPTEN_KEEPALIVE const char *talbrix_job_error()
{
    return job ? keep(job->replay.error()) : page->text.c_str();
}

// The table text written since the last call.
EMSCRIPTEN_KEEPALIVE const char *talbrix_job_take_chunk()
{
    if (!job)
        return keep({});
    keep(std::move(job->chunk));
    job->chunk.clear();
    return page->text.c_str();
}

// The opened scenario becomes the page's run: its controls, readouts, trace
// and state, and its record, from which recording goes on.
EMSCRIPTEN_KEEPALIVE void talbrix_job_adopt()
{
    if (!job)
        return;
    page->window.adopt(job->replay.window());
    page->state = job->replay.state();
    page->recorder = std::move(job->recorder);
    page->error.clear();
    job.reset();
}

EMSCRIPTEN_KEEPALIVE void talbrix_job_end()
{
    job.reset();
}

EMSCRIPTEN_KEEPALIVE int talbrix_slider(int slider)
{
    return page->window.slider(slider);
}

// 0: neither option button selected, 1: Option1, 2: Option2.
EMSCRIPTEN_KEEPALIVE int talbrix_option()
{
    return page->window.option1() ? 1 : page->window.option2() ? 2 : 0;
}

// For tests only: put the model where the controls cannot take it (a sweep
// time far beyond the plot), to provoke a run-time error.
EMSCRIPTEN_KEEPALIVE void talbrix_test_set_time(float seconds)
{
    page->state.simTime = seconds;
    page->state.beatStart = seconds;
}

} // extern "C"
