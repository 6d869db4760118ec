#include "lessonresult.h"

#include "catalogue.h"
#include "csvoutput.h"
#include "floatdigits.h"
#include "linesource.h"
#include "runtimeerror.h"
#include "scenarioreplay.h"
#include "val.h"

#include <algorithm>
#include <array>

namespace talbrix {
namespace {

// Seventeen significant digits: the very double back when read.
std::string exactNumber(double value)
{
    std::array<char, 40> text {};
    return { text.data(), writeGeneral(text.data(), text.data() + text.size(), value, 17) };
}

// A number as exactNumber() writes it, and nothing else.
std::optional<double> readNumber(std::string_view word)
{
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < word.size() && word[i] >= '0' && word[i] <= '9')
            ++i;
        return i > start;
    };
    if (i < word.size() && word[i] == '-')
        ++i;
    if (!digits())
        return std::nullopt;
    if (i < word.size() && word[i] == '.') {
        ++i;
        if (!digits())
            return std::nullopt;
    }
    if (i < word.size() && word[i] == 'e') {
        ++i;
        if (i < word.size() && (word[i] == '-' || word[i] == '+'))
            ++i;
        if (!digits())
            return std::nullopt;
    }
    if (i != word.size())
        return std::nullopt;
    // Beyond a double's range ("9e999") is no number exactNumber() writes:
    // the conversion refuses it by raising overflow.
    try {
        return val(word);
    } catch (const RuntimeError &) {
        return std::nullopt;
    }
}

// The readouts whose numbers an observation keeps.
std::vector<Readout> observedReadouts(const Prediction &prediction)
{
    if (prediction.kind != Prediction::Kind::Choice)
        return prediction.readouts;
    std::vector<Readout> readouts;
    for (const ChoiceOption &option : prediction.options)
        if (std::find(readouts.begin(), readouts.end(), option.readout) == readouts.end())
            readouts.push_back(option.readout);
    return readouts;
}

const Observation *observationOf(const Lesson &lesson, const std::string &prediction)
{
    for (const Step &step : lesson.steps)
        for (const StepItem &item : step.items)
            if (const auto *o = std::get_if<Observation>(&item); o && o->prediction == prediction)
                return o;
    return nullptr;
}

struct ResultError {
    std::string reason;
};

std::uint64_t wholeOf(std::string_view word, std::string_view what)
{
    const auto value = parseWhole(word);
    if (!value)
        throw ResultError { std::string(what) + " must be a whole number, got " + quoted(word) };
    return *value;
}

std::string restAfter(std::string_view line, const std::vector<std::string_view> &words, std::size_t count)
{
    if (words.size() <= count)
        return {};
    const std::size_t start = static_cast<std::size_t>(words[count].data() - line.data());
    return std::string(line.substr(start));
}

void appendSection(std::string &text, std::string_view name, std::string_view body)
{
    text += "begin ";
    text += name;
    text += '\n';
    TextLines lines(body);
    while (const auto line = lines.next()) {
        text += line->empty() ? "|" : "| ";
        text += *line;
        text += '\n';
    }
    text += "end ";
    text += name;
    text += '\n';
}

// A text typed by a student, in a table a spreadsheet will open: one that
// begins like a formula is kept as text with a leading apostrophe, as
// spreadsheets themselves mark text, so that opening the table runs nothing.
std::string cellText(const std::string &text)
{
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        return '\'' + text;
    return text;
}

} // namespace

std::string escapedText(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else if (c == '\r')
            escaped += "\\r";
        else
            escaped += c;
    }
    return escaped;
}

std::string unescapedText(std::string_view text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain += text[i];
            continue;
        }
        const char next = text[++i];
        plain += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return plain;
}

std::string resultText(
    const LessonRun &lesson, std::string_view lessonText, std::string_view runScenario, const std::string &saved)
{
    const std::string normal = normalisedText(lessonText);
    std::string text = "talbrix result " + std::to_string(resultFormat) + '\n';
    text += "lesson " + lessonIdentity(normal) + '\n';
    text += "student " + escapedText(lesson.student()) + '\n';
    text += "saved " + saved + '\n';
    text += "reached " + std::to_string(lesson.reached() + 1) + (lesson.finished() ? " finished\n" : "\n");
    for (const Answer &answer : lesson.answers())
        text += "answer " + answer.id + ' ' + answer.item + ' ' + std::to_string(answer.tick) + ' ' + answer.time + ' '
            + escapedText(answer.value) + '\n';
    for (const MarkRecord &mark : lesson.marks())
        text += "mark " + mark.name + ' ' + std::to_string(mark.tick) + ' ' + std::to_string(mark.row.beat) + '\n';
    for (const ObservationRecord &record : lesson.observations()) {
        const Observation *observation = observationOf(lesson.lesson(), record.prediction);
        const Prediction *prediction = lesson.lesson().prediction(record.prediction);
        if (!observation || !prediction)
            continue;
        text += "observe " + record.prediction + ' ' + std::to_string(record.tick) + ' '
            + (record.from ? observation->from->name() + ' ' + std::to_string(record.from->beat) : std::string("- -"))
            + ' ' + observation->at.name() + ' ' + std::to_string(record.at.beat) + '\n';
        for (const Readout readout : observedReadouts(*prediction)) {
            const std::size_t i = static_cast<std::size_t>(readout) - 1;
            text += "value " + record.prediction + ' ' + readoutWord(readout) + ' '
                + (record.from ? exactNumber(record.from->values[i]) : std::string("-")) + ' '
                + exactNumber(record.at.values[i]) + '\n';
        }
    }
    appendSection(text, "lesson", normal);
    appendSection(text, "run", runScenario);
    return text;
}

ResultReading readResult(std::string_view text)
{
    LessonResult result;
    TextLines lines(text);
    std::uint64_t number = 0;
    try {
        std::string *section = nullptr;
        std::string sectionName;
        bool lessonSeen = false, runSeen = false, named = false;
        while (const auto next = lines.next()) {
            const std::string_view line = readableLine(*next, ++number == 1);
            if (std::string problem = lineProblem(line, "result"); !problem.empty())
                throw ResultError { std::move(problem) };
            const std::vector<std::string_view> words = splitWords(line);
            if (number == 1) {
                if (std::string problem = headingProblem(words,
                        { "result", resultFormat, "not a Talbrix lesson result", "the result is written by a newer Talbrix" });
                    !problem.empty())
                    throw ResultError { std::move(problem) };
                continue;
            }
            if (section) {
                if (line == "end " + sectionName) {
                    section = nullptr;
                } else if (line == "|" || line.substr(0, 2) == "| ") {
                    *section += line.substr(std::min<std::size_t>(2, line.size()));
                    *section += '\n';
                } else {
                    std::string reason = "a line of the " + sectionName;
                    reason.append(" must begin with '| ', or end it with 'end ").append(sectionName).append("'");
                    throw ResultError { std::move(reason) };
                }
                continue;
            }
            if (words.empty())
                continue;
            const std::string_view keyword = words[0];
            if (keyword == "begin" && words.size() == 2 && (words[1] == "lesson" || words[1] == "run")) {
                bool &seen = words[1] == "lesson" ? lessonSeen : runSeen;
                if (seen)
                    throw ResultError { "the result holds one " + std::string(words[1]) };
                seen = true;
                sectionName = words[1];
                section = words[1] == "lesson" ? &result.lessonText : &result.run;
            } else if (keyword == "lesson" && words.size() == 2 && words[1].size() == 64) {
                result.identity = words[1];
            } else if (keyword == "student") {
                result.student = unescapedText(restAfter(line, words, 1));
                named = true;
            } else if (keyword == "saved" && words.size() == 2) {
                result.saved = words[1];
            } else if (keyword == "reached" && (words.size() == 2 || (words.size() == 3 && words[2] == "finished"))) {
                const std::uint64_t step = wholeOf(words[1], "the step reached");
                if (step < 1)
                    throw ResultError { "steps are counted from 1" };
                result.reached = static_cast<std::size_t>(step - 1);
                result.finished = words.size() == 3;
            } else if (keyword == "answer" && words.size() >= 5) {
                result.answers.push_back({ std::string(words[1]), std::string(words[2]),
                    unescapedText(restAfter(line, words, 5)), wholeOf(words[3], "a tick"), std::string(words[4]) });
            } else if (keyword == "mark" && words.size() == 4) {
                result.marks.push_back({ std::string(words[1]), wholeOf(words[2], "a tick"), wholeOf(words[3], "a beat") });
            } else if (keyword == "observe" && words.size() == 7) {
                RecordedObservation observation;
                observation.prediction = words[1];
                observation.tick = wholeOf(words[2], "a tick");
                if (words[3] != "-" || words[4] != "-")
                    observation.from = RecordedMoment { std::string(words[3]), wholeOf(words[4], "a beat") };
                observation.at = { std::string(words[5]), wholeOf(words[6], "a beat") };
                result.observations.push_back(std::move(observation));
            } else if (keyword == "value" && words.size() == 5) {
                if (result.observations.empty() || result.observations.back().prediction != words[1])
                    throw ResultError { "a value line follows the observe line of its prediction" };
                const auto readout = readoutOf(words[2]);
                const auto from = readNumber(words[3]);
                const auto at = readNumber(words[4]);
                if (!readout || (!from && words[3] != "-") || !at)
                    throw ResultError { "usage: value NAME TextN FROM|- AT, with numbers as the file writes them" };
                result.observations.back().values.push_back({ *readout, from, *at });
            } else {
                throw ResultError { "not a result line: " + quoted(line, 40) };
            }
        }
        if (number == 0)
            throw ResultError { "the file is empty: not a Talbrix lesson result" };
        if (section)
            throw ResultError { "the file ends inside the " + sectionName + ": it is cut short" };
        if (result.identity.empty() || !named || !lessonSeen || !runSeen)
            throw ResultError { "the result lacks its lesson, its student or its run: it is not whole" };
    } catch (const ResultError &error) {
        return { std::nullopt, "line " + std::to_string(std::max<std::uint64_t>(number, 1)) + ": " + error.reason };
    }
    return { std::move(result), {} };
}

namespace {

// A reference as the replay held it: from the tick it was held at until it
// was cleared or replaced.
struct Hold {
    std::uint64_t tick;
    std::optional<BeatRow> latestBeat;
    std::optional<std::uint64_t> until;
};

class ResultChecker {
public:
    ResultChecker(const Lesson &lesson, const LessonResult &result)
        : m_lesson(lesson)
        , m_result(result)
    {
    }

    ResultCheck check();

private:
    std::string replay();
    const BeatRow *rowAtOrBefore(std::uint64_t tick) const;
    std::optional<BeatRow> momentRow(const RecordedMoment &recorded, std::uint64_t tick, std::string &problem) const;
    std::string checkObservation(const RecordedObservation &recorded);
    std::string checkAnswers() const;

    const Lesson &m_lesson;
    const LessonResult &m_result;
    std::vector<BeatRow> m_rows;
    std::vector<Hold> m_holds;
    std::uint64_t m_ticks = 0;
    ResultCheck m_check;
};

std::string ResultChecker::replay()
{
    TextLines checkLines(m_result.run);
    ScenarioCheck scenarioCheck(checkLines);
    while (scenarioCheck.advance(4096)) {
    }
    if (!scenarioCheck.valid())
        return textOf("result.problem.not-a-scenario", { scenarioCheck.error() });
    if (scenarioCheck.ticks() > maxResultTicks)
        return textOf("result.problem.too-long", { std::to_string(scenarioCheck.ticks()) });
    TextLines lines(m_result.run);
    ScenarioReplay run(lines, nullptr, true);
    ScenarioReplay::Status status = ScenarioReplay::Status::Running;
    // One line or tick at a time, so that a reference held and let go
    // between two ticks is seen.
    while (status == ScenarioReplay::Status::Running) {
        status = run.advance(1);
        const auto &reference = run.run().reference();
        const bool held = !m_holds.empty() && !m_holds.back().until;
        if (held && (!reference || reference->tick != m_holds.back().tick))
            m_holds.back().until = run.ticks();
        if (reference && (!held || reference->tick != m_holds.back().tick || m_holds.back().until))
            m_holds.push_back({ reference->tick, reference->latestBeat, std::nullopt });
    }
    if (status != ScenarioReplay::Status::Finished)
        return textOf("result.problem.stops", { run.error() });
    const auto &rows = run.run().beatLog().rows();
    if (run.run().beatLog().beats() != rows.size())
        return textOf("result.problem.too-long-to-check");
    m_rows.assign(rows.begin(), rows.end());
    m_ticks = run.ticks();
    return {};
}

const BeatRow *ResultChecker::rowAtOrBefore(std::uint64_t tick) const
{
    const auto after = std::upper_bound(
        m_rows.begin(), m_rows.end(), tick, [](std::uint64_t t, const BeatRow &row) { return t < row.tick; });
    return after == m_rows.begin() ? nullptr : &*std::prev(after);
}

std::optional<BeatRow> ResultChecker::momentRow(
    const RecordedMoment &recorded, std::uint64_t tick, std::string &problem) const
{
    std::optional<BeatRow> row;
    if (recorded.moment == "now") {
        if (const BeatRow *latest = rowAtOrBefore(tick))
            row = *latest;
    } else if (recorded.moment == "settled") {
        SteadyRule steady;
        for (const BeatRow &beat : m_rows) {
            if (beat.tick > tick)
                break;
            steady.add(beat);
        }
        if (const auto from = steady.steadyFrom(); from && *from >= 1 && *from <= m_rows.size())
            row = m_rows[static_cast<std::size_t>(*from - 1)];
    } else if (recorded.moment == "reference") {
        for (const Hold &hold : m_holds)
            if (hold.tick <= tick && (!hold.until || *hold.until >= tick))
                row = hold.latestBeat;
    } else {
        for (const MarkRecord &mark : m_check.marks)
            if (mark.name == recorded.moment && mark.tick <= tick)
                row = mark.row;
    }
    if (!row)
        problem = textOf("result.problem.moment-without-beat", { std::to_string(tick), quoted(recorded.moment) });
    else if (row->beat != recorded.beat)
        problem = textOf("result.problem.moment-beat",
            { quoted(recorded.moment), std::to_string(row->beat), std::to_string(recorded.beat) });
    return problem.empty() ? row : std::nullopt;
}

std::string ResultChecker::checkObservation(const RecordedObservation &recorded)
{
    const Observation *observation = observationOf(m_lesson, recorded.prediction);
    const Prediction *prediction = m_lesson.prediction(recorded.prediction);
    if (!observation || !prediction)
        return textOf("result.problem.observes-unknown", { quoted(recorded.prediction) });
    if (recorded.at.moment != observation->at.name() || recorded.from.has_value() != observation->from.has_value()
        || (recorded.from && recorded.from->moment != observation->from->name()))
        return textOf("result.problem.other-moments", { quoted(recorded.prediction) });
    if (recorded.tick > m_ticks)
        return textOf("result.problem.observed-after-end", { quoted(recorded.prediction), std::to_string(recorded.tick) });
    std::string problem;
    ObservationRecord record { recorded.prediction, recorded.tick, std::nullopt, {} };
    if (recorded.from) {
        record.from = momentRow(*recorded.from, recorded.tick, problem);
        if (!record.from)
            return textOf("result.problem.of", { quoted(recorded.prediction), problem });
    }
    const auto at = momentRow(recorded.at, recorded.tick, problem);
    if (!at)
        return textOf("result.problem.of", { quoted(recorded.prediction), problem });
    record.at = *at;
    const std::vector<Readout> readouts = observedReadouts(*prediction);
    if (recorded.values.size() != readouts.size())
        return textOf("result.problem.other-readouts", { quoted(recorded.prediction) });
    for (const RecordedValue &value : recorded.values) {
        const std::size_t i = static_cast<std::size_t>(value.readout) - 1;
        if (std::find(readouts.begin(), readouts.end(), value.readout) == readouts.end())
            return textOf("result.problem.readout-not-observed", { quoted(recorded.prediction), readoutWord(value.readout) });
        const auto differs = [&](std::string_view moment, double replayed, std::optional<double> kept) {
            return textOf("result.problem.value-differs",
                { quoted(recorded.prediction), readoutWord(value.readout), std::string(moment), shortNumber(replayed),
                    kept ? shortNumber(*kept) : textOf("result.problem.nothing") });
        };
        if (record.from && value.from != record.from->values[i])
            return differs(recorded.from->moment, record.from->values[i], value.from);
        if (!record.from && value.from)
            return differs(textOf("result.problem.the-start"), 0, value.from);
        if (value.at != record.at.values[i])
            return differs(recorded.at.moment, record.at.values[i], value.at);
    }
    m_check.observations.push_back(std::move(record));
    return {};
}

std::string ResultChecker::checkAnswers() const
{
    for (const Answer &answer : m_result.answers) {
        if (!m_lesson.prediction(answer.id) && !isQuestion(m_lesson, answer.id))
            return textOf("result.problem.answers-unknown", { quoted(answer.id) });
        if (answer.tick > m_ticks)
            return textOf("result.problem.answered-after-end", { quoted(answer.id), std::to_string(answer.tick) });
        // An answer the live lesson would not have taken is not one it gave.
        if (!answerFits(m_lesson, answer.id, answer.item, answer.value))
            return textOf("result.problem.answer-not-offered", { quoted(answer.id), quoted(answer.value, 24) });
        for (const ObservationRecord &record : m_check.observations)
            if (record.prediction == answer.id && answer.tick > record.tick)
                return textOf("result.problem.answered-after-seen",
                    { quoted(answer.id), std::to_string(answer.tick), std::to_string(record.tick) });
    }
    return {};
}

ResultCheck ResultChecker::check()
{
    const auto fail = [&](std::string problem) {
        m_check.verified = false;
        m_check.problem = std::move(problem);
        return m_check;
    };
    if (lessonIdentity(m_result.lessonText) != m_result.identity)
        return fail(textOf("result.problem.lesson-changed"));
    if (m_result.reached >= m_lesson.steps.size())
        return fail(textOf("result.problem.step-beyond",
            { std::to_string(m_result.reached + 1), std::to_string(m_lesson.steps.size()) }));
    if (std::string problem = replay(); !problem.empty())
        return fail(problem);
    for (const RecordedMark &recorded : m_result.marks) {
        const BeatRow *row = recorded.tick <= m_ticks ? rowAtOrBefore(recorded.tick) : nullptr;
        if (!row)
            return fail(textOf("result.problem.mark-without-beat", { quoted(recorded.name), std::to_string(recorded.tick) }));
        if (row->beat != recorded.beat)
            return fail(textOf("result.problem.mark-beat",
                { quoted(recorded.name), std::to_string(row->beat), std::to_string(recorded.beat) }));
        m_check.marks.push_back({ recorded.name, recorded.tick, *row });
    }
    for (const RecordedObservation &recorded : m_result.observations) {
        for (const ObservationRecord &earlier : m_check.observations)
            if (earlier.prediction == recorded.prediction)
                return fail(textOf("result.problem.observed-twice", { quoted(recorded.prediction) }));
        if (std::string problem = checkObservation(recorded); !problem.empty())
            return fail(problem);
    }
    if (std::string problem = checkAnswers(); !problem.empty())
        return fail(problem);
    m_check.verified = true;
    return m_check;
}

} // namespace

ResultCheck checkResult(const Lesson &lesson, const LessonResult &result)
{
    return ResultChecker(lesson, result).check();
}

GradeTable::GradeTable(const Lesson &lesson, std::string identity)
    : m_lesson(lesson)
    , m_identity(std::move(identity))
{
    for (const Step &step : lesson.steps)
        for (const StepItem &item : step.items) {
            if (const auto *prediction = std::get_if<Prediction>(&item)) {
                if (prediction->kind == Prediction::Kind::Direction)
                    for (const Readout readout : prediction->readouts)
                        m_columns.push_back({ prediction->id, readoutWord(readout), true });
                else
                    m_columns.push_back({ prediction->id, "-", true });
            } else if (const auto *question = std::get_if<Question>(&item)) {
                m_columns.push_back({ question->id, "-", false });
            }
        }
}

std::string GradeTable::header() const
{
    std::string text;
    CsvOutput csv([&](std::string_view block) { text += block; });
    for (const char *name : { "file", "student", "verified", "problem", "score", "out of" })
        csv.word(name);
    for (const Column &column : m_columns) {
        const std::string name = column.id + (column.item == "-" ? "" : ' ' + readoutName(*readoutOf(column.item)));
        csv.quoted(name + " answer");
        if (column.graded)
            csv.quoted(name + " right");
    }
    csv.endRow();
    csv.flush();
    return text;
}

std::string GradeTable::refusedRow(std::string_view fileName, std::string_view student, const std::string &problem) const
{
    std::string out;
    CsvOutput csv([&](std::string_view block) { out += block; });
    csv.quoted(cellText(std::string(fileName)));
    csv.quoted(cellText(std::string(student)));
    csv.word("no");
    csv.quoted(problem);
    // Every row as wide as the header, so that a spreadsheet lines them up.
    csv.word("");
    csv.word("");
    for (const Column &column : m_columns) {
        csv.word("");
        if (column.graded)
            csv.word("");
    }
    csv.endRow();
    csv.flush();
    return out;
}

std::string GradeTable::row(std::string_view fileName, std::string_view text) const
{
    const ResultReading reading = readResult(text);
    if (!reading.result)
        return refusedRow(fileName, "", "not a lesson result: " + reading.error);
    const LessonResult &result = *reading.result;
    if (result.identity != m_identity) {
        const LessonReading other = readLesson(result.lessonText);
        return refusedRow(fileName, result.student,
            "a result of another lesson" + (other.lesson ? ": " + cellText(other.lesson->title) : std::string()));
    }
    std::string out;
    CsvOutput csv([&](std::string_view block) { out += block; });
    csv.quoted(cellText(std::string(fileName)));
    csv.quoted(cellText(result.student));
    const ResultCheck check = checkResult(m_lesson, result);
    csv.word(check.verified ? "yes" : "no");
    csv.quoted(check.problem);
    std::vector<Verdict> verdicts;
    for (const ObservationRecord &record : check.observations) {
        const std::vector<Verdict> some = judge(*m_lesson.prediction(record.prediction), record, result.answers);
        verdicts.insert(verdicts.end(), some.begin(), some.end());
    }
    int right = 0, graded = 0;
    for (const Column &column : m_columns)
        graded += column.graded ? 1 : 0;
    for (const Verdict &verdict : verdicts)
        right += verdict.right ? 1 : 0;
    if (check.verified) {
        csv.integer(right);
        csv.integer(graded);
    } else {
        csv.word("");
        csv.word("");
    }
    for (const Column &column : m_columns) {
        std::string given;
        for (const Answer &answer : result.answers)
            if (answer.id == column.id && answer.item == column.item)
                given = answer.value;
        csv.quoted(cellText(given));
        if (!column.graded)
            continue;
        const auto verdict = std::find_if(verdicts.begin(), verdicts.end(),
            [&](const Verdict &v) { return v.id == column.id && v.item == column.item; });
        csv.word(!check.verified || verdict == verdicts.end() ? "" : verdict->right ? "yes" : "no");
    }
    csv.endRow();
    csv.flush();
    return out;
}

} // namespace talbrix
