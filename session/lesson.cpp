#include "lesson.h"

#include "linesource.h"
#include "runtimeerror.h"
#include "sha256.h"
#include "val.h"

#include <algorithm>
#include <set>

namespace talbrix {
namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// A name a teacher gives a prediction, a question or a mark: letters, digits,
// '-' and '_', so that it can head a column of the grade table.
bool isName(std::string_view word)
{
    return !word.empty() && word.size() <= 40 && std::all_of(word.begin(), word.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
}

// A plain decimal number, as a teacher writes a tolerance: digits with at
// most one '.', nothing else.
std::optional<double> plainNumber(std::string_view word)
{
    const std::size_t point = word.find('.');
    const std::string_view whole = word.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view("0") : word.substr(point + 1);
    if (!isWhole(whole) || !isWhole(fraction))
        return std::nullopt;
    // Digits beyond a double's range are no tolerance: the conversion
    // refuses them by raising overflow.
    try {
        return val(word);
    } catch (const RuntimeError &) {
        return std::nullopt;
    }
}

// Splits "a *b* c" into spans; a '*' without its partner is just a '*'.
std::vector<TextSpan> spansOf(std::string_view text)
{
    std::vector<TextSpan> spans;
    while (!text.empty()) {
        const std::size_t open = text.find('*');
        const std::size_t close = open == std::string_view::npos ? open : text.find('*', open + 1);
        if (close == std::string_view::npos || close == open + 1) {
            spans.push_back({ std::string(text), false });
            break;
        }
        if (open > 0)
            spans.push_back({ std::string(text.substr(0, open)), false });
        spans.push_back({ std::string(text.substr(open + 1, close - open - 1)), true });
        text.remove_prefix(close + 1);
    }
    return spans;
}

struct LineError {
    std::string reason;
    std::uint64_t line = 0; // the line read last, unless another is to blame
};

class LessonParser {
public:
    void line(std::string_view keyword, std::string_view rest, const std::vector<std::string_view> &words);
    void finish();
    Lesson take() { return std::move(m_lesson); }

private:
    Step &step(std::string_view keyword);
    void text(std::string_view rest);
    void task(const std::vector<std::string_view> &words);
    void predict(const std::vector<std::string_view> &words);
    void option(std::string_view rest, const std::vector<std::string_view> &words);
    void observe(const std::vector<std::string_view> &words);
    void feedback(std::string_view keyword, std::string_view rest, const std::vector<std::string_view> &words);
    Moment moment(std::string_view word) const;
    std::string newName(std::string_view word, std::string_view what);
    Readout readout(std::string_view word) const;

    Lesson m_lesson;
    bool m_titled = false;
    bool m_paragraphOpen = false;
    std::set<std::string> m_names; // of predictions, questions and marks
    std::set<std::string> m_marks;
    std::set<std::string> m_observed;
    struct Predicted {
        std::string id;
        std::size_t step;
        std::uint64_t line;
    };
    std::vector<Predicted> m_predictedIn;

public:
    std::uint64_t lineNumber = 0;
};

Step &LessonParser::step(std::string_view keyword)
{
    if (m_lesson.steps.empty())
        throw LineError { std::string(keyword) + " belongs in a step: write a 'step' line first" };
    return m_lesson.steps.back();
}

Readout LessonParser::readout(std::string_view word) const
{
    const auto readout = readoutOf(word);
    if (!readout)
        throw LineError { "a readout is Text1..Text13, got " + quoted(word) };
    return *readout;
}

std::string LessonParser::newName(std::string_view word, std::string_view what)
{
    if (!isName(word))
        throw LineError { std::string(what) + " names are letters, digits, '-' and '_', got " + quoted(word) };
    if (word == "now" || word == "settled" || word == "reference")
        throw LineError { quoted(word) + " names a moment already; choose another name" };
    if (!m_names.insert(std::string(word)).second)
        throw LineError { quoted(word) + " is named twice" };
    return std::string(word);
}

void LessonParser::line(std::string_view keyword, std::string_view rest, const std::vector<std::string_view> &words)
{
    const bool anyStep = !m_lesson.steps.empty();
    if (keyword != "text")
        m_paragraphOpen = false;
    if (keyword == "title") {
        if (m_titled)
            throw LineError { "the lesson has one title" };
        if (rest.empty())
            throw LineError { "usage: title TEXT" };
        m_lesson.title = rest;
        m_titled = true;
    } else if (keyword == "notes" || keyword == "case") {
        if (anyStep)
            throw LineError { std::string(keyword) + " lines come before the first step" };
        if (keyword == "notes") {
            m_lesson.notes.emplace_back(rest);
            return;
        }
        const ParsedLine parsed = parseScenarioLine(rest);
        if (!parsed.command)
            throw LineError { "case takes a scenario command: " + (parsed.error.empty() ? "usage: case COMMAND" : parsed.error) };
        m_lesson.caseScenario += std::string(rest) + '\n';
    } else if (keyword == "step") {
        if (rest.empty())
            throw LineError { "usage: step TITLE" };
        m_lesson.steps.push_back({ std::string(rest), {} });
    } else if (keyword == "text") {
        step(keyword);
        text(rest);
    } else if (keyword == "setup") {
        Step &current = step(keyword);
        const ParsedLine parsed = parseScenarioLine(rest);
        if (!parsed.command)
            throw LineError { "setup takes a scenario command: " + (parsed.error.empty() ? "usage: setup COMMAND" : parsed.error) };
        if (std::holds_alternative<TicksCommand>(*parsed.command))
            throw LineError { "a step cannot run the model: put ticks in a case line, or give the student a task" };
        current.items.push_back(Setup { *parsed.command });
    } else if (keyword == "task") {
        task(words);
    } else if (keyword == "mark") {
        Step &current = step(keyword);
        if (words.size() != 2)
            throw LineError { "usage: mark NAME" };
        const std::string name = newName(words[1], "mark");
        m_marks.insert(name);
        current.items.push_back(Mark { name });
    } else if (keyword == "predict") {
        predict(words);
    } else if (keyword == "option") {
        option(rest, words);
    } else if (keyword == "question") {
        Step &current = step(keyword);
        if (words.size() != 2)
            throw LineError { "usage: question NAME" };
        current.items.push_back(Question { newName(words[1], "question") });
    } else if (keyword == "observe") {
        observe(words);
    } else if (keyword == "if" || keyword == "hint") {
        feedback(keyword, rest, words);
    } else {
        throw LineError { "unknown lesson line " + quoted(keyword) };
    }
}

void LessonParser::text(std::string_view rest)
{
    Step &current = m_lesson.steps.back();
    if (rest.empty()) {
        m_paragraphOpen = false;
        return;
    }
    if (rest.substr(0, 2) == "- ") {
        current.items.push_back(TextBlock { spansOf(rest.substr(2)), true });
        m_paragraphOpen = false;
        return;
    }
    // Lines of one paragraph are joined with a blank, as a browser joins them.
    if (m_paragraphOpen) {
        auto &block = std::get<TextBlock>(current.items.back());
        TextBlock joined { spansOf(rest), false };
        block.spans.push_back({ " ", false });
        block.spans.insert(block.spans.end(), joined.spans.begin(), joined.spans.end());
        return;
    }
    current.items.push_back(TextBlock { spansOf(rest), false });
    m_paragraphOpen = true;
}

void LessonParser::task(const std::vector<std::string_view> &words)
{
    Step &current = step("task");
    Task task;
    const std::string_view kind = words.size() > 1 ? words[1] : std::string_view {};
    const std::pair<std::string_view, Task::Kind> plain[] = {
        { "start", Task::Kind::Start },
        { "pause", Task::Kind::Pause },
        { "fibrillate", Task::Kind::Fibrillate },
        { "defibrillate", Task::Kind::Defibrillate },
        { "hold-reference", Task::Kind::HoldReference },
        { "clear-reference", Task::Kind::ClearReference },
        { "settle", Task::Kind::Settle },
    };
    const auto found = std::find_if(std::begin(plain), std::end(plain), [&](const auto &p) { return p.first == kind; });
    if (found != std::end(plain)) {
        if (words.size() != 2)
            throw LineError { "task " + std::string(kind) + " takes nothing more" };
        task.kind = found->second;
    } else if (kind == "beats") {
        const auto count = words.size() == 3 ? parseWhole(words[2]) : std::nullopt;
        if (!count || *count < 1 || *count > 100000)
            throw LineError { "usage: task beats N, N of 1..100000" };
        task.kind = Task::Kind::Beats;
        task.count = *count;
    } else if (kind == "slider") {
        const auto slider = words.size() > 2 ? parseWhole(words[2]) : std::nullopt;
        if (!slider || *slider < 1 || *slider > 6 || words.size() < 4)
            throw LineError { "usage: task slider N to P, task slider N up, task slider N down (N of 1..6)" };
        task.slider = static_cast<int>(*slider);
        if (words[3] == "to") {
            const auto position = words.size() == 5 ? parseWhole(words[4]) : std::nullopt;
            if (!position || *position > 10)
                throw LineError { "usage: task slider N to P, P of 0..10" };
            task.kind = Task::Kind::SliderTo;
            task.position = static_cast<std::int32_t>(*position);
        } else if ((words[3] == "up" || words[3] == "down") && words.size() == 4) {
            task.kind = words[3] == "up" ? Task::Kind::SliderUp : Task::Kind::SliderDown;
        } else {
            throw LineError { "usage: task slider N to P, task slider N up, task slider N down" };
        }
    } else {
        throw LineError { "unknown task " + quoted(kind)
            + "; a task is start, pause, fibrillate, defibrillate, hold-reference, clear-reference, settle, beats N or slider N ..." };
    }
    for (std::size_t i = 1; i < words.size(); ++i)
        task.words += (i > 1 ? " " : "") + std::string(words[i]);
    current.items.push_back(std::move(task));
}

void LessonParser::predict(const std::vector<std::string_view> &words)
{
    Step &current = step("predict");
    if (words.size() < 3)
        throw LineError { "usage: predict NAME direction|number|choice ..." };
    Prediction prediction;
    prediction.id = newName(words[1], "prediction");
    std::vector<std::string_view> rest(words.begin() + 3, words.end());
    // "within P%" ends a direction or a choice: how small a change counts as none.
    if ((words[2] == "direction" || words[2] == "choice") && rest.size() >= 2 && rest[rest.size() - 2] == "within") {
        const std::string_view percent = rest.back();
        const auto value = percent.size() > 1 && percent.back() == '%' ? plainNumber(percent.substr(0, percent.size() - 1))
                                                                       : std::nullopt;
        if (!value || *value >= 100)
            throw LineError { "within takes a percentage below 100, as in 'within 5%', got " + quoted(percent) };
        prediction.sameWithin = *value / 100;
        rest.resize(rest.size() - 2);
    }
    if (words[2] == "direction") {
        prediction.kind = Prediction::Kind::Direction;
        if (rest.empty())
            throw LineError { "usage: predict NAME direction READOUT... [within P%]" };
        for (const std::string_view word : rest) {
            const Readout r = readout(word);
            if (std::find(prediction.readouts.begin(), prediction.readouts.end(), r) != prediction.readouts.end())
                throw LineError { quoted(word) + " is predicted twice" };
            prediction.readouts.push_back(r);
        }
    } else if (words[2] == "number") {
        prediction.kind = Prediction::Kind::Number;
        if (rest.size() != 3 || rest[1] != "tolerance")
            throw LineError { "usage: predict NAME number READOUT tolerance X (or X%)" };
        prediction.readouts.push_back(readout(rest[0]));
        std::string_view amount = rest[2];
        prediction.relative = amount.size() > 1 && amount.back() == '%';
        if (prediction.relative)
            amount.remove_suffix(1);
        const auto value = plainNumber(amount);
        if (!value)
            throw LineError { "a tolerance is a number, or a percentage such as 10%, got " + quoted(rest[2]) };
        prediction.tolerance = prediction.relative ? *value / 100 : *value;
    } else if (words[2] == "choice") {
        prediction.kind = Prediction::Kind::Choice;
        if (!rest.empty())
            throw LineError { "usage: predict NAME choice [within P%], then option lines" };
    } else {
        throw LineError { "a prediction is direction, number or choice, got " + quoted(words[2]) };
    }
    m_predictedIn.push_back({ prediction.id, m_lesson.steps.size() - 1, lineNumber });
    current.items.push_back(std::move(prediction));
}

void LessonParser::option(std::string_view rest, const std::vector<std::string_view> &words)
{
    Step &current = step("option");
    auto *prediction = current.items.empty() ? nullptr : std::get_if<Prediction>(&current.items.back());
    if (!prediction || prediction->kind != Prediction::Kind::Choice)
        throw LineError { "option lines follow a 'predict NAME choice' line" };
    if (words.size() < 5)
        throw LineError { "usage: option KEY READOUT up|down|same TEXT" };
    ChoiceOption option;
    if (!isName(words[1]))
        throw LineError { "an option's key is letters, digits, '-' and '_', got " + quoted(words[1]) };
    option.key = words[1];
    for (const ChoiceOption &other : prediction->options)
        if (other.key == option.key)
            throw LineError { "option " + quoted(words[1]) + " is there twice" };
    option.readout = readout(words[2]);
    const auto direction = directionOf(words[3]);
    if (!direction)
        throw LineError { "an option says up, down or same of its readout, got " + quoted(words[3]) };
    option.direction = *direction;
    option.text = rest.substr(static_cast<std::size_t>(words[4].data() - rest.data()));
    prediction->options.push_back(std::move(option));
}

Moment LessonParser::moment(std::string_view word) const
{
    if (word == "now")
        return { Moment::Kind::Now, {} };
    if (word == "settled")
        return { Moment::Kind::Settled, {} };
    if (word == "reference")
        return { Moment::Kind::Reference, {} };
    if (m_marks.count(std::string(word)))
        return { Moment::Kind::Mark, std::string(word) };
    throw LineError { "a moment is now, settled, reference or a mark made before, got " + quoted(word) };
}

void LessonParser::observe(const std::vector<std::string_view> &words)
{
    Step &current = step("observe");
    if (words.size() < 2)
        throw LineError { "usage: observe NAME from MOMENT to MOMENT, or observe NAME at MOMENT" };
    const std::string id(words[1]);
    const auto predicted = std::find_if(
        m_predictedIn.begin(), m_predictedIn.end(), [&](const Predicted &entry) { return entry.id == id; });
    if (predicted == m_predictedIn.end())
        throw LineError { "observe names a prediction made before, got " + quoted(words[1]) };
    // The student predicts first and sees what happened later: never on the same page.
    if (predicted->step == m_lesson.steps.size() - 1)
        throw LineError { "a prediction is observed in a later step than the one that asks for it" };
    if (!m_observed.insert(id).second)
        throw LineError { "prediction " + quoted(words[1]) + " is observed twice" };
    const Prediction &prediction = *m_lesson.prediction(id);
    Observation observation;
    observation.prediction = id;
    if (prediction.kind == Prediction::Kind::Number) {
        if (words.size() != 4 || words[2] != "at")
            throw LineError { "a number is observed at one moment: observe NAME at MOMENT" };
        observation.at = moment(words[3]);
    } else {
        if (words.size() != 6 || words[2] != "from" || words[4] != "to")
            throw LineError { "a change is observed between two moments: observe NAME from MOMENT to MOMENT" };
        observation.from = moment(words[3]);
        observation.at = moment(words[5]);
    }
    current.items.push_back(std::move(observation));
}

void LessonParser::feedback(std::string_view keyword, std::string_view rest, const std::vector<std::string_view> &words)
{
    Step &current = step(keyword);
    auto *observation = current.items.empty() ? nullptr : std::get_if<Observation>(&current.items.back());
    if (!observation)
        throw LineError { std::string(keyword) + " lines follow an 'observe' line" };
    if (keyword == "hint") {
        if (rest.empty())
            throw LineError { "usage: hint TEXT" };
        observation->hint = rest;
        return;
    }
    if (words.size() < 3)
        throw LineError { "usage: if right TEXT, if wrong TEXT, or if KEY TEXT for an option" };
    const std::string_view text = rest.substr(static_cast<std::size_t>(words[2].data() - rest.data()));
    if (words[1] == "right") {
        observation->ifRight = text;
    } else if (words[1] == "wrong") {
        observation->ifWrong = text;
    } else {
        const Prediction &prediction = *m_lesson.prediction(observation->prediction);
        const bool known = std::any_of(prediction.options.begin(), prediction.options.end(),
            [&](const ChoiceOption &option) { return option.key == words[1]; });
        if (!known)
            throw LineError { "if takes right, wrong or one of the prediction's options, got " + quoted(words[1]) };
        observation->ifChoice.emplace_back(std::string(words[1]), std::string(text));
    }
}

void LessonParser::finish()
{
    if (!m_titled)
        throw LineError { "the lesson has no title line" };
    if (m_lesson.steps.empty())
        throw LineError { "the lesson has no step" };
    for (const Predicted &predicted : m_predictedIn) {
        const Prediction &prediction = *m_lesson.prediction(predicted.id);
        if (prediction.kind == Prediction::Kind::Choice && prediction.options.size() < 2)
            throw LineError { "prediction " + quoted(predicted.id) + " offers fewer than two options", predicted.line };
        if (!m_observed.count(predicted.id))
            throw LineError { "prediction " + quoted(predicted.id) + " is never observed", predicted.line };
    }
}

} // namespace

std::string_view directionWord(Direction direction)
{
    return direction == Direction::Up ? "up" : direction == Direction::Down ? "down" : "same";
}

std::optional<Direction> directionOf(std::string_view word)
{
    if (word == "up")
        return Direction::Up;
    if (word == "down")
        return Direction::Down;
    if (word == "same")
        return Direction::Same;
    return std::nullopt;
}

std::string Moment::name() const
{
    switch (kind) {
    case Kind::Now:
        return "now";
    case Kind::Settled:
        return "settled";
    case Kind::Reference:
        return "reference";
    case Kind::Mark:
        break;
    }
    return mark;
}

const Prediction *Lesson::prediction(std::string_view id) const
{
    for (const Step &step : steps)
        for (const StepItem &item : step.items)
            if (const auto *prediction = std::get_if<Prediction>(&item); prediction && prediction->id == id)
                return prediction;
    return nullptr;
}

std::string readoutWord(Readout readout)
{
    return "Text" + std::to_string(static_cast<int>(readout));
}

std::optional<Readout> readoutOf(std::string_view word)
{
    if (word.substr(0, 4) != "Text")
        return std::nullopt;
    const auto number = parseWhole(word.substr(4));
    if (!number || *number < 1 || *number > readoutCount || word[4] == '0')
        return std::nullopt;
    return static_cast<Readout>(*number);
}

std::string normalisedText(std::string_view text)
{
    if (text.substr(0, byteOrderMark.size()) == byteOrderMark)
        text.remove_prefix(byteOrderMark.size());
    std::string normal;
    normal.reserve(text.size() + 1);
    TextLines lines(text);
    while (const auto line = lines.next()) {
        std::string_view content = *line;
        if (!content.empty() && content.back() == '\r')
            content.remove_suffix(1);
        normal.append(content);
        normal += '\n';
    }
    return normal;
}

std::string lessonIdentity(std::string_view text)
{
    return sha256Hex(normalisedText(text));
}

FileKind fileKindOf(std::string_view text)
{
    const std::vector<std::string_view> words = splitWords(readableLine(text.substr(0, text.find('\n')), true));
    if (words.size() >= 2 && words[0] == "talbrix" && words[1] == "lesson")
        return FileKind::Lesson;
    if (words.size() >= 2 && words[0] == "talbrix" && words[1] == "result")
        return FileKind::Result;
    return FileKind::Scenario;
}

std::string_view readableLine(std::string_view line, bool first)
{
    if (first && line.substr(0, byteOrderMark.size()) == byteOrderMark)
        line.remove_prefix(byteOrderMark.size());
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::string lineProblem(std::string_view line, std::string_view kind)
{
    if (line.size() > maxLineBytes)
        return "longer than " + std::to_string(maxLineBytes) + " bytes: not a " + std::string(kind) + " line";
    if (line.find('\0') != std::string_view::npos || !isUtf8(line))
        return "not a UTF-8 text file";
    return {};
}

std::string headingProblem(const std::vector<std::string_view> &words, const FileHeading &heading)
{
    const std::string kind(heading.kind);
    const auto format
        = words.size() == 3 && words[0] == "talbrix" && words[1] == heading.kind ? parseWhole(words[2]) : std::nullopt;
    if (!format)
        return std::string(heading.notOurs) + ": its first line must be 'talbrix " + kind + " "
            + std::to_string(heading.format) + "'";
    if (*format > static_cast<std::uint64_t>(heading.format))
        return std::string(heading.newer) + " (" + kind + " format " + std::string(words[2]) + "); this one reads format "
            + std::to_string(heading.format);
    return {};
}

LessonReading readLesson(std::string_view text)
{
    LessonParser parser;
    TextLines lines(text);
    std::uint64_t number = 0;
    try {
        bool first = true;
        while (const auto next = lines.next()) {
            parser.lineNumber = ++number;
            const std::string_view line = readableLine(*next, first);
            if (std::string problem = lineProblem(line, "lesson"); !problem.empty())
                throw LineError { std::move(problem) };
            const std::vector<std::string_view> words = splitWords(line);
            if (first) {
                first = false;
                if (std::string problem = headingProblem(words,
                        { "lesson", lessonFormat, "not a Talbrix lesson", "the lesson is written for a newer Talbrix" });
                    !problem.empty())
                    throw LineError { std::move(problem) };
                continue;
            }
            if (words.empty() || words[0].front() == '#')
                continue;
            // What follows the keyword and one blank is the line's own text.
            const std::size_t after = static_cast<std::size_t>(words[0].data() - line.data()) + words[0].size();
            std::string_view rest = line.substr(std::min(after + 1, line.size()));
            while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
                rest.remove_suffix(1);
            parser.line(words[0], rest, words);
        }
        if (number == 0)
            throw LineError { "the file is empty: not a Talbrix lesson" };
        parser.finish();
    } catch (const LineError &error) {
        const std::uint64_t line = error.line != 0 ? error.line : std::max<std::uint64_t>(number, 1);
        return { std::nullopt, "line " + std::to_string(line) + ": " + error.reason };
    }
    return { parser.take(), {} };
}

} // namespace talbrix
