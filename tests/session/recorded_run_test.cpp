// Recording a run as a scenario, replaying one in slices, and the jobs that
// open a scenario and write a run's table. The window tests cover the rest (a
// recorded session replays exactly, a failing tick while opening).

#include "memorywindow.h"
#include "recordedrun.h"
#include "replayjob.h"
#include "runtimeerror.h"
#include "scenarioreplay.h"
#include "sessiontesting.h"

#include <gtest/gtest.h>

#include <string>

namespace talbrix {
namespace {

struct Sliced {
    std::string trace;
    std::string error;
};

Sliced replayInSlices(const std::string &scenario, std::uint64_t slice)
{
    Sliced result;
    TextLines lines(scenario);
    TraceWriter trace([&](std::string_view block) { result.trace += block; });
    ScenarioReplay replay(lines, &trace, false);
    while (replay.advance(slice) == ScenarioReplay::Status::Running) { }
    result.error = replay.error();
    return result;
}

std::unique_ptr<ReplayJob> finished(std::unique_ptr<ReplayJob> job, std::uint64_t slice)
{
    double progress = 0;
    while (job->advance(slice) == ReplayJob::Status::Running) {
        EXPECT_GE(job->progress(), progress);
        progress = job->progress();
    }
    return job;
}

TickOutcome failAtTickFive(CirculationState &state, WindowInterface &window)
{
    if (state.simTime > 0.035f)
        throw RuntimeError(RuntimeError::Kind::Overflow);
    return runTick(state, window);
}

TEST(RecordedRun, RecordHoldsOnlyChangesAndTickCounts)
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

// The editions replay in slices of a few thousand; any slicing must print
// the runner's bytes (a byte-order mark included) and fail in its words.
TEST(RecordedRun, SlicedReplayIsTheRunner)
{
    const std::string good = "\xEF\xBB\xBFslider 1 9\nticks 700\n# a comment\nfibrillate\ntext8 120\nticks 333";
    const std::string bad = good + "\nslider 7 1\nticks 5\n";
    for (const std::string &scenario : { good, bad }) {
        const sessiontesting::Traced runner = sessiontesting::traceOf(scenario);
        for (const std::uint64_t slice : { 1u, 7u, 4096u }) {
            const Sliced replay = replayInSlices(scenario, slice);
            EXPECT_TRUE(replay.trace == runner.trace) << "slices of " << slice;
            EXPECT_EQ(replay.error, runner.result.message);
        }
    }
    TextLines huge("ticks 5\n\nticks 18446744073709551615\nticks 3\n");
    ScenarioCheck check(huge);
    while (check.advance(1)) { }
    EXPECT_EQ(check.ticks(), UINT64_MAX) << "a sum beyond range saturates";
}

// Opening replays a run recorded live into the same controls, state and
// record, from which recording goes on; the table is the runner's trace.
TEST(RecordedRun, OpeningAndTablingReplayTheLiveRun)
{
    MemoryWindow live;
    RecordedRun run;
    run.load(live);
    for (int i = 0; i < 900; ++i) {
        if (i == 300)
            live.setSlider(2, 9);
        if (i == 500)
            live.selectFibrillation();
        if (i == 600)
            live.setText(Readout::Text8, "1 \"2\"");
        run.tick(live);
    }
    live.setSlider(6, 0); // after the last tick
    const std::string scenario = run.scenario(live);

    auto opening = finished(ReplayJob::opening(scenario), 333);
    ASSERT_EQ(opening->status(), ReplayJob::Status::Finished) << opening->error();
    EXPECT_DOUBLE_EQ(opening->progress(), 1.0);
    MemoryWindow opened = opening->window();
    RecordedRun adopted = opening->takeRun();
    EXPECT_EQ(opened.controlSettings(), live.controlSettings());
    for (int box = 1; box <= readoutCount; ++box)
        EXPECT_EQ(opened.text(static_cast<Readout>(box)), live.text(static_cast<Readout>(box))) << box;
    EXPECT_EQ(opened.points().size(), live.points().size());
    EXPECT_EQ(adopted.state().simTime, run.state().simTime);
    for (auto [window, kept] : { std::pair { &live, &run }, std::pair { &opened, &adopted } })
        for (int i = 0; i < 50; ++i)
            kept->tick(*window);
    EXPECT_EQ(adopted.scenario(opened), run.scenario(live));

    std::string table;
    auto tabling = finished(ReplayJob::table(scenario, [&](std::string_view block) { table += block; }), 4096);
    EXPECT_EQ(tabling->status(), ReplayJob::Status::Finished);
    EXPECT_TRUE(table == sessiontesting::traceOf(scenario).trace);
}

TEST(RecordedRun, OpeningRefusesABadFileBeforeAnyTickAndFailsAtAFailingTick)
{
    auto refused = finished(ReplayJob::opening("ticks 100000\nslider 9 1\n"), 1);
    EXPECT_EQ(refused->status(), ReplayJob::Status::Refused);
    EXPECT_EQ(refused->error(), "line 2: slider number must be 1..6, got '9'");
    EXPECT_LE(refused->progress(), 0.1) << "no tick was replayed";

    auto failing = ReplayJob::opening("ticks 10\n");
    failing->setTickFunction(&failAtTickFive);
    failing = finished(std::move(failing), 2);
    EXPECT_EQ(failing->status(), ReplayJob::Status::Failed);
    EXPECT_EQ(failing->error(), "tick 5: Overflow");

    auto unwritable = finished(ReplayJob::table("ticks 3000\n",
                                   [](std::string_view) { throw TraceWriteError("write error: No space left"); }),
        100);
    EXPECT_EQ(unwritable->status(), ReplayJob::Status::Failed);
    EXPECT_EQ(unwritable->error(), "write error: No space left");
}

} // namespace
} // namespace talbrix
