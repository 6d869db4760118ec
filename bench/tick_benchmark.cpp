#include "circulation.h"
#include "formtable.h"
#include "memorywindow.h"
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

} // namespace

BENCHMARK_MAIN();
