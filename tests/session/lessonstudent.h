#pragma once

#include "lessonrun.h"

#include <algorithm>
#include <map>
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

} // namespace sessiontesting
