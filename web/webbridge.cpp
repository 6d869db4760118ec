// The simulator's model and form for the web page: the same model, number
// conversions and in-memory window as the desktop and the scenario runner,
// behind a handful of C functions the page's script calls. The page owns the
// controls; before each tick it hands over what the user changed, and after
// a batch of ticks it reads back the readouts' texts and the new points.

#include "circulation.h"
#include "formjson.h"
#include "memorywindow.h"
#include "runtimeerror.h"

#include <emscripten/emscripten.h>

#include <array>
#include <cstdint>
#include <exception>
#include <string>

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

private:
    std::array<std::uint32_t, readoutCount> m_writes {};
    std::uint32_t m_clears = 0;
};

struct Page {
    PageWindow window;
    CirculationState state;
    std::string error; // the run-time error's name, once one has ended the run
};

Page *page = nullptr;

} // namespace
} // namespace talbrix

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
        for (; done < count; ++done)
            talbrix::runTick(page->state, page->window);
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

// For tests only: put the model where the controls cannot take it (a sweep
// time far beyond the plot), to provoke a run-time error.
EMSCRIPTEN_KEEPALIVE void talbrix_test_set_time(float seconds)
{
    page->state.simTime = seconds;
    page->state.beatStart = seconds;
}

} // extern "C"
