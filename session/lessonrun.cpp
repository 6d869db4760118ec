#include "lessonrun.h"

#include "catalogue.h"
#include "formtable.h"
#include "recordedrun.h"
#include "reference.h"
#include "val.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace talbrix {
namespace {

std::size_t indexOf(Readout readout)
{
    return static_cast<std::size_t>(readout) - 1;
}

// The step that asks for a prediction.
std::optional<std::size_t> stepOf(const Lesson &lesson, const std::string &id)
{
    for (std::size_t s = 0; s < lesson.steps.size(); ++s)
        for (const StepItem &item : lesson.steps[s].items)
            if (const auto *p = std::get_if<Prediction>(&item); p && p->id == id)
                return s;
    return std::nullopt;
}

} // namespace

bool isQuestion(const Lesson &lesson, std::string_view id)
{
    for (const Step &step : lesson.steps)
        for (const StepItem &item : step.items)
            if (const auto *q = std::get_if<Question>(&item); q && q->id == id)
                return true;
    return false;
}

bool answerFits(const Lesson &lesson, const std::string &id, const std::string &item, const std::string &value)
{
    if (!isUtf8(value) || value.size() > maxAnswerBytes)
        return false;
    if (isQuestion(lesson, id))
        return item == "-";
    const Prediction *prediction = lesson.prediction(id);
    if (!prediction)
        return false;
    switch (prediction->kind) {
    case Prediction::Kind::Direction: {
        const auto readout = readoutOf(item);
        return readout && directionOf(value)
            && std::find(prediction->readouts.begin(), prediction->readouts.end(), *readout)
            != prediction->readouts.end();
    }
    case Prediction::Kind::Number:
        return item == "-" && typedNumber(value);
    case Prediction::Kind::Choice:
        return item == "-" && std::any_of(prediction->options.begin(), prediction->options.end(), [&](const ChoiceOption &option) {
            return option.key == value;
        });
    }
    return false;
}

std::string utcNow()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc {};
    gmtime_r(&now, &utc);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

Direction directionOfChange(double from, double to, double sameWithin)
{
    if (std::fabs(to - from) <= sameWithin * std::max(std::fabs(from), std::fabs(to)))
        return Direction::Same;
    return to > from ? Direction::Up : Direction::Down;
}

std::optional<double> typedNumber(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    std::string plain;
    bool digits = false, point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '-' || c == '+') && i == 0) {
            plain += c;
        } else if (c >= '0' && c <= '9') {
            plain += c;
            digits = true;
        } else if ((c == '.' || c == ',') && !point) {
            plain += '.';
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits || plain.size() > 40)
        return std::nullopt;
    return val(plain);
}

std::vector<Verdict> judge(
    const Prediction &prediction, const ObservationRecord &record, const std::vector<Answer> &answers)
{
    const auto given = [&](const std::string &item) -> std::string {
        for (const Answer &answer : answers)
            if (answer.id == prediction.id && answer.item == item)
                return answer.value;
        return {};
    };
    const auto change = [&](Readout readout) {
        const double from = record.from ? record.from->values[indexOf(readout)] : 0;
        return directionOfChange(from, record.at.values[indexOf(readout)], prediction.sameWithin);
    };
    std::vector<Verdict> verdicts;
    switch (prediction.kind) {
    case Prediction::Kind::Direction:
        for (const Readout readout : prediction.readouts) {
            const std::string item = readoutWord(readout);
            const std::string observed(directionWord(change(readout)));
            const std::string answer = given(item);
            verdicts.push_back({ prediction.id, item, answer, observed, answer == observed });
        }
        break;
    case Prediction::Kind::Number: {
        const double value = record.at.values[indexOf(prediction.readouts.front())];
        const std::string answer = given("-");
        const auto typed = typedNumber(answer);
        const double allowed = prediction.relative ? prediction.tolerance * std::fabs(value) : prediction.tolerance;
        verdicts.push_back(
            { prediction.id, "-", answer, shortNumber(value), typed && std::fabs(*typed - value) <= allowed });
        break;
    }
    case Prediction::Kind::Choice: {
        const std::string answer = given("-");
        std::string observed;
        bool right = false;
        for (const ChoiceOption &option : prediction.options) {
            if (change(option.readout) != option.direction)
                continue;
            observed += (observed.empty() ? "" : " ") + option.key;
            right = right || option.key == answer;
        }
        verdicts.push_back({ prediction.id, "-", answer, observed, right });
        break;
    }
    }
    return verdicts;
}

std::string taskText(const Task &task)
{
    // The form's own captions, as the student sees them on it.
    const auto button = [](const char *name) { return std::string(form::named(form::buttons, name).caption); };
    const auto option = [](const char *name) {
        return std::string(form::named(form::labels, form::named(form::options, name).caption).caption);
    };
    switch (task.kind) {
    case Task::Kind::Start:
        return textOf("lesson.task.press", { button("Command1") });
    case Task::Kind::Pause:
        return textOf("lesson.task.press", { button("Command2") });
    case Task::Kind::Fibrillate:
        return textOf("lesson.task.select", { option("Option1") });
    case Task::Kind::Defibrillate:
        return textOf("lesson.task.select", { option("Option2") });
    case Task::Kind::HoldReference:
        return textOf("lesson.task.hold-reference");
    case Task::Kind::ClearReference:
        return textOf("lesson.task.clear-reference");
    case Task::Kind::Beats:
        return task.count == 1 ? textOf("lesson.task.one-beat") : textOf("lesson.task.beats", { std::to_string(task.count) });
    case Task::Kind::Settle:
        return textOf("lesson.task.settle");
    case Task::Kind::SliderTo:
        return textOf("lesson.task.slider-to", { sliderLabel(task.slider), std::to_string(task.position) });
    case Task::Kind::SliderUp:
        return textOf("lesson.task.slider-up", { sliderLabel(task.slider) });
    case Task::Kind::SliderDown:
        return textOf("lesson.task.slider-down", { sliderLabel(task.slider) });
    }
    return task.words;
}

namespace {

// A direction word of an answer or an observation ("up") in the language in use.
std::string directionText(std::string_view word)
{
    const auto direction = directionOf(word);
    if (!direction)
        return std::string(word);
    switch (*direction) {
    case Direction::Up:
        return textOf("lesson.direction.up");
    case Direction::Down:
        return textOf("lesson.direction.down");
    case Direction::Same:
        return textOf("lesson.direction.same");
    }
    return std::string(word);
}

} // namespace

std::string verdictText(const Prediction &prediction, const Verdict &verdict)
{
    const std::string given = verdict.answer.empty() ? textOf("lesson.verdict.no-answer") : verdict.answer;
    std::string text;
    switch (prediction.kind) {
    case Prediction::Kind::Direction:
        text = textOf("lesson.verdict.direction",
            { readoutName(*readoutOf(verdict.item)), verdict.answer.empty() ? given : directionText(given),
                directionText(verdict.observed) });
        break;
    case Prediction::Kind::Number:
        text = textOf("lesson.verdict.number", { readoutName(prediction.readouts.front()), given, verdict.observed });
        break;
    case Prediction::Kind::Choice: {
        std::string chosen = given;
        for (const ChoiceOption &option : prediction.options)
            if (option.key == verdict.answer)
                chosen = textOf("lesson.verdict.quoted", { option.text });
        text = textOf("lesson.verdict.choice", { chosen });
        break;
    }
    }
    return textOf(verdict.right ? "lesson.verdict.right" : "lesson.verdict.wrong", { text });
}

std::string feedbackText(const Observation &observation, const std::vector<Verdict> &verdicts)
{
    const bool right = std::all_of(verdicts.begin(), verdicts.end(), [](const Verdict &v) { return v.right; });
    if (!verdicts.empty())
        for (const auto &[key, text] : observation.ifChoice)
            if (key == verdicts.front().answer)
                return text;
    return right ? observation.ifRight : observation.ifWrong;
}

std::string hintText(const Observation &observation, const std::vector<Verdict> &verdicts)
{
    const bool right = std::all_of(verdicts.begin(), verdicts.end(), [](const Verdict &v) { return v.right; });
    return right ? std::string() : observation.hint;
}

LessonRun::LessonRun(Lesson lesson, std::string student)
    : m_lesson(std::move(lesson))
    , m_student(std::move(student))
    , m_clock(&utcNow)
{
}

void LessonRun::reach(std::size_t step)
{
    m_step = m_reached = step;
    m_pending = 0;
    m_taskStarted = false;
}

std::vector<ScenarioCommand> LessonRun::takeSetup()
{
    return std::exchange(m_setup, {});
}

bool LessonRun::watch(
    const RecordedRun &run, const std::function<ControlSettings()> &controls, bool running, const Apply &apply)
{
    bool changed = update(run, controls(), running);
    // A command may reach a step whose own commands come next; a lesson has
    // no more than a few in a row.
    for (int round = 0; round < 4; ++round) {
        const std::vector<ScenarioCommand> setup = takeSetup();
        if (setup.empty())
            break;
        for (const ScenarioCommand &command : setup)
            apply(command);
        changed = update(run, controls(), running) || changed;
    }
    return changed;
}

bool LessonRun::update(const RecordedRun &run, const ControlSettings &controls, bool running)
{
    if (m_finished)
        return false;
    return advancePending(run, controls, running);
}

void LessonRun::startTask(const RecordedRun &run, const ControlSettings &controls)
{
    const auto &task = std::get<Task>(m_lesson.steps[m_reached].items[m_pending]);
    m_taskStart.beats = run.beatLog().beats();
    m_taskStart.slider = task.slider > 0 ? controls.sliders[static_cast<std::size_t>(task.slider) - 1] : 0;
    m_taskStart.referenceHeld = run.reference().has_value();
    m_taskStart.referenceTick = run.reference() ? run.reference()->tick : 0;
    m_taskStarted = true;
}

bool LessonRun::taskDone(const Task &task, const RecordedRun &run, const ControlSettings &controls, bool running) const
{
    const auto slider = [&] { return controls.sliders[static_cast<std::size_t>(task.slider) - 1]; };
    switch (task.kind) {
    case Task::Kind::Start:
        return running;
    case Task::Kind::Pause:
        return !running;
    case Task::Kind::Fibrillate:
        return controls.option == OptionSelection::Fibrillate;
    case Task::Kind::Defibrillate:
        return controls.option == OptionSelection::Defibrillate;
    case Task::Kind::HoldReference:
        return run.reference() && (!m_taskStart.referenceHeld || run.reference()->tick != m_taskStart.referenceTick);
    case Task::Kind::ClearReference:
        return !run.reference();
    case Task::Kind::Beats:
        return run.beatLog().beats() >= m_taskStart.beats + task.count;
    case Task::Kind::Settle:
        // Steady at a beat that came since the task began: a change made
        // before it has broken the old stretch by then (the rule wants the
        // controls unchanged), and a run that was steady already need only
        // show it once more.
        return run.beatLog().steadyFrom() && run.beatLog().beats() > m_taskStart.beats;
    case Task::Kind::SliderTo:
        return slider() == task.position;
    case Task::Kind::SliderUp:
        return slider() > m_taskStart.slider;
    case Task::Kind::SliderDown:
        return slider() < m_taskStart.slider;
    }
    return false;
}

std::optional<BeatRow> LessonRun::momentRow(const Moment &moment, const RecordedRun &run) const
{
    switch (moment.kind) {
    case Moment::Kind::Now:
        return run.beatLog().latest();
    case Moment::Kind::Settled: {
        const auto steady = run.beatLog().steadyFrom();
        const auto &rows = run.beatLog().rows();
        if (!steady || rows.empty() || *steady < rows.front().beat)
            return std::nullopt;
        return rows[static_cast<std::size_t>(*steady - rows.front().beat)];
    }
    case Moment::Kind::Reference:
        if (!run.reference())
            return std::nullopt;
        return run.reference()->latestBeat;
    case Moment::Kind::Mark:
        for (const MarkRecord &mark : m_marks)
            if (mark.name == moment.mark)
                return mark.row;
        return std::nullopt;
    }
    return std::nullopt;
}

bool LessonRun::advancePending(const RecordedRun &run, const ControlSettings &controls, bool running)
{
    const std::vector<StepItem> &items = m_lesson.steps[m_reached].items;
    const std::size_t before = m_pending;
    while (m_pending < items.size()) {
        const StepItem &item = items[m_pending];
        if (const auto *setup = std::get_if<Setup>(&item)) {
            m_setup.push_back(setup->command);
        } else if (const auto *task = std::get_if<Task>(&item)) {
            // What a task starts from is read once the step's own commands
            // have reached the controls.
            if (!m_setup.empty())
                break;
            if (!m_taskStarted)
                startTask(run, controls);
            if (!taskDone(*task, run, controls, running))
                break;
            m_taskStarted = false;
        } else if (const auto *mark = std::get_if<Mark>(&item)) {
            const bool taken = std::any_of(
                m_marks.begin(), m_marks.end(), [&](const MarkRecord &m) { return m.name == mark->name; });
            if (!taken) {
                if (!m_setup.empty() || !run.beatLog().latest())
                    break;
                m_marks.push_back({ mark->name, run.ticks(), *run.beatLog().latest() });
                m_unsaved = true;
            }
        } else if (const auto *observation = std::get_if<Observation>(&item)) {
            if (!this->observation(observation->prediction)) {
                if (!m_setup.empty())
                    break;
                const auto at = momentRow(observation->at, run);
                const auto from = observation->from ? momentRow(*observation->from, run) : std::nullopt;
                if (!at || (observation->from && !from))
                    break;
                m_observations.push_back({ observation->prediction, run.ticks(), from, *at });
                m_unsaved = true;
            }
        }
        ++m_pending;
    }
    return m_pending != before || !m_setup.empty();
}

bool LessonRun::canGoNext() const
{
    if (m_step < m_reached)
        return true;
    if (m_finished || m_pending < m_lesson.steps[m_reached].items.size())
        return false;
    for (const StepItem &item : m_lesson.steps[m_reached].items) {
        const auto *prediction = std::get_if<Prediction>(&item);
        if (!prediction)
            continue;
        if (prediction->kind == Prediction::Kind::Direction) {
            for (const Readout readout : prediction->readouts)
                if (!answerTo(prediction->id, readoutWord(readout)))
                    return false;
        } else if (!answerTo(prediction->id, "-")) {
            return false;
        }
    }
    return true;
}

void LessonRun::back()
{
    if (m_step > 0)
        --m_step;
}

void LessonRun::next()
{
    if (!canGoNext())
        return;
    if (m_step < m_reached) {
        ++m_step;
        return;
    }
    if (m_reached + 1 == m_lesson.steps.size()) {
        m_finished = true;
        m_unsaved = true;
        return;
    }
    reach(m_reached + 1);
}

bool LessonRun::locked(const std::string &predictionId) const
{
    const auto step = stepOf(m_lesson, predictionId);
    return !step || *step != m_reached || m_finished;
}

bool LessonRun::answer(const std::string &id, const std::string &item, const std::string &value, std::uint64_t tick)
{
    if (!answerFits(m_lesson, id, item, value) || (!isQuestion(m_lesson, id) && locked(id)))
        return false;
    Answer given { id, item, value, tick, m_clock() };
    const auto same = std::find_if(
        m_answers.begin(), m_answers.end(), [&](const Answer &a) { return a.id == id && a.item == item; });
    if (same != m_answers.end())
        *same = std::move(given);
    else
        m_answers.push_back(std::move(given));
    m_unsaved = true;
    return true;
}

const Answer *LessonRun::answerTo(const std::string &id, const std::string &item) const
{
    for (const Answer &answer : m_answers)
        if (answer.id == id && answer.item == item)
            return &answer;
    return nullptr;
}

const ObservationRecord *LessonRun::observation(const std::string &prediction) const
{
    for (const ObservationRecord &record : m_observations)
        if (record.prediction == prediction)
            return &record;
    return nullptr;
}

std::vector<Verdict> LessonRun::verdicts(const std::string &prediction) const
{
    const ObservationRecord *record = observation(prediction);
    const Prediction *predicted = m_lesson.prediction(prediction);
    if (!record || !predicted)
        return {};
    return judge(*predicted, *record, m_answers);
}

std::pair<int, int> LessonRun::score() const
{
    int right = 0, graded = 0;
    for (const ObservationRecord &record : m_observations)
        for (const Verdict &verdict : verdicts(record.prediction)) {
            ++graded;
            right += verdict.right ? 1 : 0;
        }
    return { right, graded };
}

void LessonRun::restore(std::vector<Answer> answers, std::vector<MarkRecord> marks,
    std::vector<ObservationRecord> observations, std::size_t reached, bool finished)
{
    m_answers = std::move(answers);
    m_marks = std::move(marks);
    m_observations = std::move(observations);
    reach(std::min(reached, m_lesson.steps.size() - 1));
    m_finished = finished;
    m_unsaved = false;
}

} // namespace talbrix
