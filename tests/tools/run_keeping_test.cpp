// Recording a run as a scenario, and replaying one in slices. The window
// tests cover the rest (a recorded session replays exactly, a failing tick).

#include "runrecorder.h"
#include "scenarioreplay.h"
#include "scenariorunner.h"
#include "tracewriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

namespace talbrix {
namespace {

std::string readAll(std::FILE *file)
{
    std::rewind(file);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

// The runner's trace and error text for a scenario.
std::pair<std::string, std::string> runRunner(const std::string &scenario)
{
    std::FILE *input = std::tmpfile();
    std::fwrite(scenario.data(), 1, scenario.size(), input);
    std::rewind(input);
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    runScenario(input, "'test'", out, err);
    std::fclose(input);
    return { readAll(out), readAll(err) };
}

struct Sliced {
    std::string trace;
    std::string error;
};

Sliced replayInSlices(const std::string &scenario, std::uint64_t slice)
{
    Sliced result;
    std::istringstream input(scenario);
    TraceWriter trace([&](std::string_view block) { result.trace += block; });
    ScenarioReplay replay(input, &trace, nullptr);
    while (replay.advance(slice) == ScenarioReplay::Status::Running) { }
    result.error = replay.error();
    return result;
}

TEST(RunKeeping, RecordHoldsOnlyChangesAndTickCounts)
{
    RunRecorder recorder;
    ControlSettings settings = loadSettings();
    recorder.beforeTick(settings);
    recorder.beforeTick(settings);
    recorder.afterTick("80"); // a beat boundary rewrote Text8: its old text, typed back, is a change
    settings.sliders[2] = 10;
    settings.sliders[5] = 0;
    settings.option = OptionSelection::Fibrillate;
    recorder.beforeTick(settings);
    settings.text8 = " 1,\"2\"";
    recorder.beforeTick(settings);
    recorder.beforeTick(settings);
    settings.text8.clear();
    settings.option = OptionSelection::Defibrillate;
    recorder.beforeTick(settings);
    settings.sliders[0] = 0; // set after the last tick

    const std::string scenario = recorder.scenario(settings);
    EXPECT_EQ(scenario.front(), '#');
    EXPECT_EQ(scenario.substr(scenario.find('\n') + 1),
        "ticks 2\nslider 3 10\nslider 6 0\nfibrillate\ntext8 84\nticks 1\ntext8  1,\"2\"\nticks 2\n"
        "defibrillate\ntext8 \nticks 1\nslider 1 0\n");
    EXPECT_EQ(recorder.ticks(), 6u);
}

// The window replays in slices of a few thousand ticks; any slicing must print
// the runner's bytes (a byte-order mark included) and fail in its words.
TEST(RunKeeping, SlicedReplayIsTheRunner)
{
    const std::string good = "\xEF\xBB\xBFslider 1 9\nticks 700\n# a comment\nfibrillate\ntext8 120\nticks 333\n";
    const std::string bad = good + "slider 7 1\nticks 5\n";
    for (const std::string &scenario : { good, bad }) {
        const auto [runnerTrace, runnerError] = runRunner(scenario);
        for (const std::uint64_t slice : { 1u, 7u, 4096u }) {
            const Sliced replay = replayInSlices(scenario, slice);
            EXPECT_TRUE(replay.trace == runnerTrace) << "slices of " << slice;
            EXPECT_EQ(replay.error + (runnerError.empty() ? "" : "\n"), runnerError);
        }
    }
    std::istringstream huge("ticks 5\n\nticks 18446744073709551615\nticks 3\n");
    EXPECT_EQ(checkScenario(huge).ticks, UINT64_MAX) << "a sum beyond range saturates";
}

} // namespace
} // namespace talbrix
