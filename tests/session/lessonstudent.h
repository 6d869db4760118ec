#pragma once

#include "lessonresult.h"
#include "lessonrun.h"
#include "memorywindow.h"
#include "recordedrun.h"
#include "replayjob.h"
#include "scenarioreplay.h"

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace sessiontesting {

// What a student can do with an edition while following a lesson: the form's
// controls, the run going or paused, and the lesson panel's answers and Next.
// The headless edition of the tests and the real window both offer it.
class LessonHands {
public:
    virtual ~LessonHands() = default;

    virtual const talbrix::LessonRun &lesson() const = 0;
    virtual void setRunning(bool running) = 0;
    // Lets the run go on for one tick of the model.
    virtual void tick() = 0;
    virtual std::int32_t slider(int slider) const = 0;
    virtual void setSlider(int slider, std::int32_t position) = 0;
    virtual void fibrillate() = 0;
    virtual void defibrillate() = 0;
    virtual void holdReference() = 0;
    virtual void clearReference() = 0;
    virtual void answer(const std::string &id, const std::string &item, const std::string &value) = 0;
    virtual void next() = 0;
};

enum class Answering {
    Probe, // anything, to find out what the model does
    Right, // what the probe saw
    Wrong, // never what the probe saw
};

// "id item" -> what the observation found ("up", "4970", or the options that came true).
using Observed = std::map<std::string, std::string>;

// A student who does every task as asked, answers every prediction as told
// and writes a sentence for each question, to the lesson's end. Returns what
// the observations found.
inline Observed followLesson(LessonHands &hands, Answering answering, const Observed &known = {})
{
    using namespace talbrix;
    const auto expected = [&](const std::string &key) {
        const auto found = known.find(key);
        if (found == known.end())
            throw std::logic_error("no probe saw " + key);
        return found->second;
    };
    int patience = 0;
    while (!hands.lesson().finished()) {
        if (++patience > 500000)
            throw std::runtime_error("the lesson never ends: step " + std::to_string(hands.lesson().reached() + 1));
        const LessonRun &lesson = hands.lesson();
        const Step &step = lesson.lesson().steps[lesson.reached()];
        if (lesson.step() != lesson.reached() || lesson.canGoNext()) {
            // Answer before Next (the lesson does not open Next without them).
            if (lesson.step() == lesson.reached())
                for (const StepItem &item : step.items)
                    if (const auto *question = std::get_if<Question>(&item); question && !lesson.answerTo(question->id, "-"))
                        hands.answer(question->id, "-", "Because the model says so.");
            hands.next();
            continue;
        }
        for (const StepItem &item : step.items) {
            const auto *prediction = std::get_if<Prediction>(&item);
            if (!prediction)
                continue;
            // An answer as the probe gives it, or made from what the probe saw.
            const auto give = [&](const std::string &what, const std::string &probe, const auto &right, const auto &wrong) {
                if (lesson.answerTo(prediction->id, what))
                    return;
                if (answering == Answering::Probe)
                    return hands.answer(prediction->id, what, probe);
                const std::string seen = expected(prediction->id + ' ' + what);
                hands.answer(prediction->id, what, answering == Answering::Right ? right(seen) : wrong(seen));
            };
            const auto same = [](const std::string &seen) { return seen; };
            switch (prediction->kind) {
            case Prediction::Kind::Direction:
                for (const Readout readout : prediction->readouts)
                    give(readoutWord(readout), "same", same,
                        [](const std::string &seen) { return std::string(seen == "up" ? "down" : "up"); });
                break;
            case Prediction::Kind::Number:
                give("-", "0", same, [](const std::string &seen) { return std::to_string(std::stod(seen) * 2 + 1000); });
                break;
            case Prediction::Kind::Choice:
                // Right is one of the options that came true, wrong any other.
                give(
                    "-", prediction->options.front().key,
                    [](const std::string &seen) { return seen.substr(0, seen.find(' ')); },
                    [&](const std::string &seen) {
                        for (const ChoiceOption &option : prediction->options)
                            if ((' ' + seen + ' ').find(' ' + option.key + ' ') == std::string::npos)
                                return option.key;
                        throw std::logic_error("every option of " + prediction->id + " came true");
                    });
                break;
            }
        }
        const std::size_t pending = lesson.pending();
        const auto *task = pending < step.items.size() ? std::get_if<Task>(&step.items[pending]) : nullptr;
        if (!task) {
            // A mark or an observation waits for a beat: let the run go.
            hands.setRunning(true);
            hands.tick();
            continue;
        }
        switch (task->kind) {
        case Task::Kind::Start:
            hands.setRunning(true);
            break;
        case Task::Kind::Pause:
            hands.setRunning(false);
            break;
        case Task::Kind::Fibrillate:
            hands.fibrillate();
            break;
        case Task::Kind::Defibrillate:
            hands.defibrillate();
            break;
        case Task::Kind::HoldReference:
            hands.holdReference();
            break;
        case Task::Kind::ClearReference:
            hands.clearReference();
            break;
        case Task::Kind::SliderTo:
            hands.setSlider(task->slider, task->position);
            break;
        case Task::Kind::SliderUp:
            hands.setSlider(task->slider, std::min(10, hands.slider(task->slider) + 3));
            break;
        case Task::Kind::SliderDown:
            hands.setSlider(task->slider, std::max(0, hands.slider(task->slider) - 3));
            break;
        case Task::Kind::Beats:
        case Task::Kind::Settle:
            hands.setRunning(true);
            hands.tick();
            break;
        }
    }
    Observed observed;
    for (const ObservationRecord &record : hands.lesson().observations())
        for (const Verdict &verdict : hands.lesson().verdicts(record.prediction))
            observed[verdict.id + ' ' + verdict.item] = verdict.observed;
    return observed;
}

// A lesson opened as an edition opens one: the case replayed from load, then
// the live run ticked while the lesson watches it, the step's own commands
// applied to the controls.
class HeadlessLesson final : public LessonHands {
public:
    HeadlessLesson(const std::string &text, const std::string &student)
        : m_text(text)
    {
        talbrix::LessonReading reading = talbrix::readLesson(text);
        if (!reading.lesson)
            throw std::runtime_error(reading.error);
        const auto job = talbrix::ReplayJob::opening(reading.lesson->caseScenario);
        while (job->advance(100000) == talbrix::ReplayJob::Status::Running) {
        }
        if (job->status() != talbrix::ReplayJob::Status::Finished)
            throw std::runtime_error("the case does not open: " + job->error());
        m_window = job->window();
        m_run = job->takeRun();
        m_lesson.emplace(std::move(*reading.lesson), student);
        m_lesson->setClock([] { return std::string("2026-12-08T09:00:00Z"); });
        update();
    }

    const talbrix::LessonRun &lesson() const override { return *m_lesson; }
    void setRunning(bool running) override
    {
        m_running = running;
        update();
    }
    void tick() override
    {
        if (!m_running)
            return;
        m_run.tick(m_window);
        update();
    }
    std::int32_t slider(int slider) const override { return m_window.slider(slider); }
    void setSlider(int slider, std::int32_t position) override
    {
        m_window.setSlider(slider, position);
        update();
    }
    void fibrillate() override
    {
        m_window.selectFibrillation();
        update();
    }
    void defibrillate() override
    {
        m_window.selectDefibrillation();
        update();
    }
    void holdReference() override
    {
        m_run.holdReference(m_window);
        update();
    }
    void clearReference() override
    {
        m_run.clearReference(m_window);
        update();
    }
    void answer(const std::string &id, const std::string &item, const std::string &value) override
    {
        m_lesson->answer(id, item, value, m_run.ticks());
    }
    void next() override
    {
        m_lesson->next();
        update();
    }

    std::string result() const { return talbrix::resultText(*m_lesson, m_text, m_run.scenario(m_window), "2026-12-08T09:30:00Z"); }
    talbrix::LessonRun &live() { return *m_lesson; }
    talbrix::RecordedRun &run() { return m_run; }

private:
    void update()
    {
        m_lesson->watch(
            m_run, [this] { return m_window.controlSettings(); }, m_running,
            [this](const talbrix::ScenarioCommand &command) { talbrix::applyControl(command, m_window, m_run); });
    }

    std::string m_text;
    talbrix::MemoryWindow m_window;
    talbrix::RecordedRun m_run;
    std::optional<talbrix::LessonRun> m_lesson;
    bool m_running = false;
};

} // namespace sessiontesting
