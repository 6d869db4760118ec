// Recording a run as a scenario and replaying it in slices: the record must
// replay to the very rows of the run it was made from, and a sliced replay
// must print what the runner prints and fail with the runner's words.

#include "circulation.h"
#include "memorywindow.h"
#include "runrecorder.h"
#include "runtimeerror.h"
#include "scenarioreplay.h"
#include "scenariorunner.h"
#include "tracewriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sstream>
#include <string>

namespace talbrix {
namespace {

struct RunnerOutput {
    int status;
    std::string trace;
    std::string errors;
};

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

RunnerOutput runRunner(const std::string &scenario)
{
    std::FILE *input = std::tmpfile();
    std::fwrite(scenario.data(), 1, scenario.size(), input);
    std::rewind(input);
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    const int status = runScenario(input, "'test'", out, err);
    std::fclose(input);
    return { status, readAll(out), readAll(err) };
}

// The first line where two traces differ, or "" when they are equal: a
// trace of thousands of rows is no use in a failure message.
std::string firstDifference(const std::string &actual, const std::string &expected)
{
    std::istringstream a(actual);
    std::istringstream e(expected);
    std::string lineA;
    std::string lineE;
    for (int line = 1;; ++line) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreE = static_cast<bool>(std::getline(e, lineE));
        if (!moreA && !moreE)
            return actual == expected ? "" : "final line end differs";
        if (moreA != moreE || lineA != lineE)
            return "line " + std::to_string(line) + ":\n  " + lineA + "\nexpected\n  " + lineE;
    }
}

// Replays in slices of `slice` ticks, collecting the trace.
struct SlicedReplay {
    std::string trace;
    ScenarioReplay::Status status;
    std::string error;
};

SlicedReplay replayInSlices(
    const std::string &scenario, std::uint64_t slice, ScenarioReplay::TickFunction tick = &runTick)
{
    SlicedReplay result;
    std::istringstream input(scenario);
    {
        TraceWriter trace([&](std::string_view block) { result.trace += block; });
        ScenarioReplay replay(input, &trace, nullptr);
        replay.setTickFunction(tick);
        do
            result.status = replay.advance(slice);
        while (result.status == ScenarioReplay::Status::Running);
        result.error = replay.error();
    }
    return result;
}

ControlSettings settingsOf(MemoryWindow &window)
{
    ControlSettings settings;
    for (int slider = 1; slider <= sliderCount; ++slider)
        settings.sliders[static_cast<std::size_t>(slider - 1)] = window.slider(slider);
    settings.option = window.option1() ? OptionSelection::Fibrillate
        : window.option2()             ? OptionSelection::Defibrillate
                                       : OptionSelection::None;
    settings.text8 = window.text(Readout::Text8);
    return settings;
}

TEST(RunKeeping, RecordHoldsOnlyChangesAndTickCounts)
{
    RunRecorder recorder;
    ControlSettings settings = loadSettings();
    recorder.beforeTick(settings);
    recorder.beforeTick(settings);
    // A beat boundary writes the rate into Text8; typing the old text back
    // is a change.
    recorder.afterTick("80");
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
    EXPECT_EQ(scenario.substr(scenario.find('\n') + 1),
        "ticks 2\nslider 3 10\nslider 6 0\nfibrillate\ntext8 84\nticks 1\ntext8  1,\"2\"\nticks 2\ndefibrillate\ntext8 "
        "\nticks 1\nslider 1 0\n");
    EXPECT_EQ(scenario.front(), '#');
    EXPECT_EQ(recorder.ticks(), 6u);
}

// A random user against the in-memory window, recorded before every tick as
// the real window records: the record, run by the runner, prints the run.
TEST(RunKeeping, RecordedRunReplaysToTheSameRows)
{
    std::mt19937_64 random(20261207);
    static const char *const typed[] = { "100", "", " 7", "abc", "1e400", "60" };
    CirculationState state;
    MemoryWindow window;
    RunRecorder recorder;
    std::string liveTrace;
    {
        TraceWriter trace([&](std::string_view block) { liveTrace += block; });
        loadCirculation(state, window);
        trace.writeHeader();
        trace.writeRow(0, state, TickOutcome {}, window);
        for (std::uint64_t tick = 1; tick <= 20000; ++tick) {
            switch (random() % 64) {
            case 0:
                window.setSlider(static_cast<int>(random() % 6) + 1, static_cast<std::int32_t>(random() % 11));
                break;
            case 1:
                window.selectFibrillation();
                break;
            case 2:
                window.selectDefibrillation();
                break;
            case 3:
                window.setText(Readout::Text8, typed[random() % std::size(typed)]);
                break;
            default:
                break;
            }
            recorder.beforeTick(settingsOf(window));
            const TickOutcome outcome = runTick(state, window);
            recorder.afterTick(window.text(Readout::Text8));
            trace.writeRow(tick, state, outcome, window);
        }
        trace.flush();
    }
    const RunnerOutput replayed = runRunner(recorder.scenario(settingsOf(window)));
    EXPECT_EQ(replayed.status, scenarioOk);
    EXPECT_EQ(firstDifference(replayed.trace, liveTrace), "");
}

TEST(RunKeeping, SlicedReplayPrintsWhatTheRunnerPrints)
{
    const std::string scenario = "slider 1 9\nticks 700\n# a comment\nfibrillate\ntext8 120\nticks 333\n"
                                 "defibrillate\nslider 3 0\nticks 4000\n";
    const RunnerOutput runner = runRunner(scenario);
    for (const std::uint64_t slice : { 1u, 7u, 4096u }) {
        const SlicedReplay replay = replayInSlices(scenario, slice);
        EXPECT_EQ(replay.status, ScenarioReplay::Status::Finished);
        EXPECT_EQ(firstDifference(replay.trace, runner.trace), "") << "slices of " << slice;
    }
}

TEST(RunKeeping, FailuresUseTheRunnersWords)
{
    const std::string bad = "\xEF\xBB\xBFticks 5\nslider 2 3\nslider 7 1\nticks 5\n";
    std::istringstream input(bad);
    const ScenarioCheck check = checkScenario(input);
    const RunnerOutput runner = runRunner(bad);
    EXPECT_EQ(check.error + "\n", runner.errors);
    const SlicedReplay replay = replayInSlices(bad, 3);
    EXPECT_EQ(replay.status, ScenarioReplay::Status::BadLine);
    EXPECT_EQ(replay.error + "\n", runner.errors);
    EXPECT_EQ(replay.trace, runner.trace);

    std::istringstream good("ticks 5\n\nticks 18446744073709551615\nticks 3\n");
    EXPECT_EQ(checkScenario(good).ticks, UINT64_MAX) << "a sum beyond range saturates";

    // No scenario can make the model fail, so the failing tick is put in.
    const SlicedReplay failing = replayInSlices("ticks 10\n", 2, [](CirculationState &s, WindowInterface &w) {
        if (s.simTime > 0.035f)
            throw RuntimeError(RuntimeError::Kind::Overflow);
        return runTick(s, w);
    });
    EXPECT_EQ(failing.status, ScenarioReplay::Status::RuntimeError);
    EXPECT_EQ(failing.error, "tick 5: Overflow");
}

} // namespace
} // namespace talbrix
