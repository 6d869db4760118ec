#pragma once

#include "beatlog.h"
#include "lesson.h"
#include "runwindow.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace talbrix {

class RecordedRun;

// A student's answer: to one readout of a direction prediction ("up"), to a
// number or a choice prediction, or a written answer. `item` is the readout
// ("Text5") for a direction, "-" otherwise.
struct Answer {
    std::string id;
    std::string item;
    std::string value;
    std::uint64_t tick = 0; // of the run when it was given
    std::string time; // UTC, "2026-12-08T10:15:00Z"

    bool operator==(const Answer &) const = default;
};

// A named moment as it was taken: the tick it was taken after and the beat
// row it stands for.
struct MarkRecord {
    std::string name;
    std::uint64_t tick = 0;
    BeatRow row;
};

// What an observation found: when it was made, the beats of its moments and
// the model's numbers there for every readout its prediction names.
struct ObservationRecord {
    std::string prediction;
    std::uint64_t tick = 0;
    std::optional<BeatRow> from; // Direction and Choice
    BeatRow at;
};

// How one answer of a prediction fares against an observation.
struct Verdict {
    std::string id;
    std::string item; // "Text5" for a direction, "-" otherwise
    std::string answer; // as given; empty when none was
    std::string observed; // "up", "4970", or the key of the option that came true ("" for none)
    bool right = false;
};

// The lesson's judgement of an observation, from the numbers alone.
std::vector<Verdict> judge(const Prediction &prediction, const ObservationRecord &record,
    const std::vector<Answer> &answers);
// The direction of a change, "same" when it is within `sameWithin` of the larger magnitude.
Direction directionOfChange(double from, double to, double sameWithin);
// A number as a student types it: optional sign, digits, one '.' or ','.
std::optional<double> typedNumber(std::string_view text);

// The longest answer kept: a written answer of a few paragraphs.
inline constexpr std::size_t maxAnswerBytes = 10000;
bool isQuestion(const Lesson &lesson, std::string_view id);
// Whether `value` is an answer the lesson takes for that item: a direction
// for one of a direction prediction's readouts, a number, one of the
// options, or any text for a written question.
bool answerFits(const Lesson &lesson, const std::string &id, const std::string &item, const std::string &value);

// A lesson as a student goes through it beside a live run. The edition
// shows a step, passes on the student's answers and Back and Next, and after
// every tick and every command calls update(); the lesson watches the run
// for each task, takes its marks and observations from the beat log and the
// reference, and hands back the commands a step carries out itself.
class LessonRun {
public:
    using Clock = std::function<std::string()>;

    LessonRun(Lesson lesson, std::string student);

    const Lesson &lesson() const { return m_lesson; }
    const std::string &student() const { return m_student; }

    // The step shown (0-based) and the furthest one reached.
    std::size_t step() const { return m_step; }
    std::size_t reached() const { return m_reached; }
    std::size_t stepCount() const { return m_lesson.steps.size(); }
    bool finished() const { return m_finished; }

    // Looks at the run after a tick or a command; true when anything the
    // panel shows has changed.
    bool update(const RecordedRun &run, const ControlSettings &controls, bool running);
    // The commands the step just reached carries out itself, for the edition
    // to apply to its controls (each once).
    std::vector<ScenarioCommand> takeSetup();
    // What an edition does after every tick and change: update(), then each
    // command a step carries out handed to `apply` (which sets the control),
    // and a look again after them. True when anything shown has changed.
    using Apply = std::function<void(const ScenarioCommand &)>;
    bool watch(const RecordedRun &run, const std::function<ControlSettings()> &controls, bool running,
        const Apply &apply);

    // Of the step reached: the index in its items of the first task, mark or
    // observation still to come, or the item count once all are done.
    std::size_t pending() const { return m_pending; }
    bool canGoBack() const { return m_step > 0; }
    // Next is open once the step reached has every task done and every
    // prediction answered; on the last step it finishes the lesson.
    bool canGoNext() const;
    void back();
    void next();

    // A prediction may be answered, and changed, only on the step that asks
    // for it and before Next leaves it; a written answer at any time. False,
    // and nothing kept, for an answer that is not one the item takes.
    bool answer(const std::string &id, const std::string &item, const std::string &value, std::uint64_t tick);
    bool locked(const std::string &predictionId) const;
    const std::vector<Answer> &answers() const { return m_answers; }
    const Answer *answerTo(const std::string &id, const std::string &item) const;
    // True once an answer has come since the last markSaved().
    bool unsaved() const { return m_unsaved; }
    void markSaved() { m_unsaved = false; }

    const std::vector<MarkRecord> &marks() const { return m_marks; }
    const std::vector<ObservationRecord> &observations() const { return m_observations; }
    const ObservationRecord *observation(const std::string &prediction) const;
    std::vector<Verdict> verdicts(const std::string &prediction) const;
    // Right answers and answers graded, over the observations made.
    std::pair<int, int> score() const;

    // Whether a task of the step reached is done (tasks before the pending
    // item are; the pending one is not yet).
    bool done(std::size_t item) const { return m_finished || item < m_pending; }

    // A result reopened: its answers, marks and observations as recorded,
    // the step it reached shown.
    void restore(std::vector<Answer> answers, std::vector<MarkRecord> marks,
        std::vector<ObservationRecord> observations, std::size_t reached, bool finished);

    void setClock(Clock clock) { m_clock = std::move(clock); }

private:
    struct TaskStart {
        std::uint64_t beats = 0;
        std::int32_t slider = 0;
        std::uint64_t referenceTick = 0;
        bool referenceHeld = false;
    };

    void reach(std::size_t step);
    bool advancePending(const RecordedRun &run, const ControlSettings &controls, bool running);
    bool taskDone(const Task &task, const RecordedRun &run, const ControlSettings &controls, bool running) const;
    std::optional<BeatRow> momentRow(const Moment &moment, const RecordedRun &run) const;
    void startTask(const RecordedRun &run, const ControlSettings &controls);

    Lesson m_lesson;
    std::string m_student;
    std::size_t m_step = 0;
    std::size_t m_reached = 0;
    std::size_t m_pending = 0;
    bool m_finished = false;
    bool m_unsaved = false;
    bool m_taskStarted = false;
    TaskStart m_taskStart;
    std::vector<ScenarioCommand> m_setup;
    std::vector<Answer> m_answers;
    std::vector<MarkRecord> m_marks;
    std::vector<ObservationRecord> m_observations;
    Clock m_clock;
};

// What a panel says, in the form's own names: a task to do ("Move Periph.
// Res. to 8"), and a verdict ("AOP (mmHg): you said up; it went up").
std::string taskText(const Task &task);
std::string verdictText(const Prediction &prediction, const Verdict &verdict);
// The feedback an observation gives for its verdicts: the teacher's text for
// the choice made, or for right or wrong, and the hint after a wrong answer.
std::string feedbackText(const Observation &observation, const std::vector<Verdict> &verdicts);
std::string hintText(const Observation &observation, const std::vector<Verdict> &verdicts);

// The time now, UTC, as answers record it.
std::string utcNow();

} // namespace talbrix
