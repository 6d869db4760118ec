#pragma once

#include "scenario.h"
#include "windowinterface.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace talbrix {

// A lesson as a teacher writes it (docs/lessons.md has the whole format):
// a title, notes for teachers, the case it opens with, and steps of text,
// tasks the student carries out on the form, predictions, observations that
// check them against the model, and written questions.

inline constexpr int lessonFormat = 1;

// A piece of a paragraph, emphasised or not ("*like this*").
struct TextSpan {
    std::string text;
    bool emphasis = false;

    bool operator==(const TextSpan &) const = default;
};

// A paragraph, or one item of a list ("text - item").
struct TextBlock {
    std::vector<TextSpan> spans;
    bool listItem = false;

    bool operator==(const TextBlock &) const = default;
};

// What a task waits for the run to show.
struct Task {
    enum class Kind {
        Start, // the run is going
        Pause, // the run is stopped
        Fibrillate,
        Defibrillate,
        HoldReference, // a reference is held that was held during the task
        ClearReference,
        Beats, // `count` beats since the task began
        Settle, // steady at a beat that came after the task began
        SliderTo, // `slider` at `position`
        SliderUp, // `slider` above where it stood when the task began
        SliderDown,
    };
    Kind kind = Kind::Start;
    int slider = 0;
    std::int32_t position = 0;
    std::uint64_t count = 0;
    std::string words; // as written, for the panel: "slider 1 to 8"
};

// The latest beat when the mark is reached, to observe later by its name.
struct Mark {
    std::string name;
};

// What the student predicts.
enum class Direction { Up, Down, Same };
std::string_view directionWord(Direction direction); // "up", "down", "same"
std::optional<Direction> directionOf(std::string_view word);

struct ChoiceOption {
    std::string key;
    Readout readout = Readout::Text1;
    Direction direction = Direction::Same; // the option is right when the readout goes so
    std::string text;
};

struct Prediction {
    enum class Kind { Direction, Number, Choice };
    std::string id;
    Kind kind = Kind::Direction;
    std::vector<Readout> readouts; // Direction: one or more; Number: one
    double tolerance = 0; // Number: absolute, or a fraction of the value when `relative`
    bool relative = false;
    double sameWithin = 0.02; // Direction and Choice: a change this small (of the larger value) is "same"
    std::vector<ChoiceOption> options; // Choice
};

// A moment of the run, named in an observation.
struct Moment {
    enum class Kind { Now, Settled, Reference, Mark };
    Kind kind = Kind::Now;
    std::string mark;

    std::string name() const;
    bool operator==(const Moment &) const = default;
};

struct Observation {
    std::string prediction;
    std::optional<Moment> from; // Direction and Choice
    Moment at; // the "to" moment, or the only one for a Number
    std::string ifRight;
    std::string ifWrong;
    std::vector<std::pair<std::string, std::string>> ifChoice; // key, feedback
    std::string hint;
};

struct Question {
    std::string id;
};

// Lines the lesson carries out itself when a step is first reached.
struct Setup {
    ScenarioCommand command;
};

using StepItem = std::variant<TextBlock, Task, Mark, Setup, Prediction, Observation, Question>;

struct Step {
    std::string title;
    std::vector<StepItem> items;
};

struct Lesson {
    std::string title;
    std::vector<std::string> notes; // for teachers, one line each
    std::string caseScenario; // scenario text the lesson opens with, from load
    std::vector<Step> steps;

    const Prediction *prediction(std::string_view id) const;
};

// A lesson read from its text, or the first line that is wrong and why
// ("line L: reason").
struct LessonReading {
    std::optional<Lesson> lesson;
    std::string error;
};
LessonReading readLesson(std::string_view text);

// The text a lesson is known by: its lines without carriage returns or a
// byte-order mark, each ending in a line feed, so that a lesson saved again
// with other line ends is still the same lesson.
std::string normalisedText(std::string_view text);
// The lesson's identity: SHA-256 of its normalised text, in hex.
std::string lessonIdentity(std::string_view text);

// The files of ours that say what they are in their first line ("talbrix
// lesson 1", "talbrix result 1"); anything else is read as a scenario, which
// may begin with any of its lines.
enum class FileKind { Scenario, Lesson, Result };
FileKind fileKindOf(std::string_view text);

// What the readers of lessons and results share. A line as read: the
// byte-order mark of the first line and a trailing carriage return dropped.
std::string_view readableLine(std::string_view line, bool first);
// Why a line cannot be one of such a file (too long, not UTF-8), or "".
std::string lineProblem(std::string_view line, std::string_view kind);
// Why a first line is not the heading "talbrix KIND F" of a file this
// Talbrix reads, or "": `notOurs` and `newer` begin the two messages.
struct FileHeading {
    std::string_view kind; // "lesson"
    int format;
    std::string_view notOurs; // "not a Talbrix lesson"
    std::string_view newer; // "the lesson is written for a newer Talbrix"
};
std::string headingProblem(const std::vector<std::string_view> &words, const FileHeading &heading);

// "Text5" and back.
std::string readoutWord(Readout readout);
std::optional<Readout> readoutOf(std::string_view word);

} // namespace talbrix
