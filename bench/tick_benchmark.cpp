#include "circulation.h"
#include "formtable.h"
#include "memorywindow.h"
#include "recordedrun.h"
#include "windowinterface.h"

#include <benchmark/benchmark.h>

// Ticks per second of the model, reported as items_per_second. Both runs
// start from the load state and keep ticking through beats and sweep
// restarts, as the running window does.

namespace {

using namespace talbrix;

// A window that holds the load positions and throws away whatever is
// published or plotted, so no text is ever made.
class DiscardingWindow : public WindowInterface {
public:
    std::int32_t readSlider(int slider) override
    {
        return form::sliders[static_cast<std::size_t>(slider - 1)].position;
    }
    bool fibrillationSelected() override { return false; }
    std::string heartRateText() override { return "80"; }
    void publish(Readout, Number value, TextForm) override { benchmark::DoNotOptimize(value); }
    void plotPoint(std::int16_t x, std::int16_t y) override
    {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
    }
    void setDrawColour(std::int32_t colour) override { benchmark::DoNotOptimize(colour); }
    void clearPlot() override { }
};

template <class Window>
void runTicks(benchmark::State &benchmarkState, Window &window)
{
    CirculationState state;
    loadCirculation(state, window);
    for (auto _ : benchmarkState) {
        TickOutcome outcome = runTick(state, window);
        benchmark::DoNotOptimize(outcome);
    }
    benchmarkState.SetItemsProcessed(benchmarkState.iterations());
}

void BM_TickWithReadouts(benchmark::State &benchmarkState)
{
    MemoryWindow window;
    runTicks(benchmarkState, window);
}
BENCHMARK(BM_TickWithReadouts);

void BM_TickModelOnly(benchmark::State &benchmarkState)
{
    DiscardingWindow window;
    runTicks(benchmarkState, window);
}
BENCHMARK(BM_TickModelOnly);

// The run as both editions tick it: the model with readouts, the record of
// the controls, the sweep and the beat log. Beside BM_TickWithReadouts it
// is the cost of keeping a run.
void BM_TickRecordedRun(benchmark::State &benchmarkState)
{
    MemoryWindow window;
    RecordedRun run;
    run.load(window);
    for (auto _ : benchmarkState) {
        TickOutcome outcome = run.tick(window);
        benchmark::DoNotOptimize(outcome);
    }
    benchmarkState.SetItemsProcessed(benchmarkState.iterations());
}
BENCHMARK(BM_TickRecordedRun);

// The memory a beat log holds after an hour of running at the load settings
// (360,000 ticks), rows and their texts' heap blocks counted.
void BM_BeatLogOfAnHour(benchmark::State &benchmarkState)
{
    for (auto _ : benchmarkState) {
        MemoryWindow window;
        RecordedRun run;
        run.load(window);
        for (int tick = 0; tick < 360000; ++tick)
            run.tick(window);
        std::size_t bytes = 0;
        for (const BeatRow &row : run.beatLog().rows()) {
            bytes += sizeof row;
            for (const std::string &text : row.texts)
                bytes += text.capacity() > 15 ? text.capacity() + 1 : 0; // beyond the short-string buffer
        }
        benchmarkState.counters["beats"] = static_cast<double>(run.beatLog().rows().size());
        benchmarkState.counters["log_bytes"] = static_cast<double>(bytes);
    }
}
BENCHMARK(BM_BeatLogOfAnHour)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
