#pragma once

#include "lesson.h"
#include "lessonrun.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talbrix {

inline constexpr int resultFormat = 1;
// A day of the model's time: more than any lesson runs. A result that asks
// for a longer run is refused before it is replayed, so that one forged file
// cannot hold up the grading of a class.
inline constexpr std::uint64_t maxResultTicks = 8640000;

// What a student hands in (docs/lessons.md has the format): the lesson it
// answers, whole and by its identity, the student's name, the answers with
// their times, the marks and observations as the lesson took them, and the
// run itself as a scenario, from which all of them can be derived again.
struct RecordedMoment {
    std::string moment; // "now", "settled", "reference" or a mark's name
    std::uint64_t beat = 0;
};
struct RecordedValue {
    Readout readout = Readout::Text1;
    std::optional<double> from;
    double at = 0;
};
struct RecordedObservation {
    std::string prediction;
    std::uint64_t tick = 0;
    std::optional<RecordedMoment> from;
    RecordedMoment at;
    std::vector<RecordedValue> values;
};
struct RecordedMark {
    std::string name;
    std::uint64_t tick = 0;
    std::uint64_t beat = 0;
};

struct LessonResult {
    std::string identity; // as the result names its lesson
    std::string lessonText;
    std::string student;
    std::string saved; // UTC time of saving
    std::size_t reached = 0; // 0-based step
    bool finished = false;
    std::vector<Answer> answers;
    std::vector<RecordedMark> marks;
    std::vector<RecordedObservation> observations;
    std::string run; // scenario text
};

// The result of a lesson run as the file holds it. `lessonText` is the
// lesson's own text, `runScenario` the run so far.
std::string resultText(const LessonRun &lesson, std::string_view lessonText, std::string_view runScenario,
    const std::string &saved);

struct ResultReading {
    std::optional<LessonResult> result;
    std::string error; // "line L: reason"
};
ResultReading readResult(std::string_view text);

// A result checked against its own run: the run replayed from load and
// every mark and observation taken again from the replay, as the lesson
// would have taken them, and compared with what the file says. Verified
// when all agree; otherwise `problem` tells the first difference.
struct ResultCheck {
    bool verified = false;
    std::string problem;
    std::vector<MarkRecord> marks; // from the replay
    std::vector<ObservationRecord> observations; // from the replay
};
ResultCheck checkResult(const Lesson &lesson, const LessonResult &result);

// A class's results as a table: one row per file, the header alone for none.
// Columns: file, student, verified (yes or no), problem, score, out of, then
// for every graded item of the lesson its answer and whether it was right,
// and every written answer. A result that is not verified has no score and
// no right or wrong; a file that is not a result of this lesson says why.
class GradeTable {
public:
    explicit GradeTable(const Lesson &lesson, std::string identity);

    std::string header() const;
    std::string row(std::string_view fileName, std::string_view resultText) const;
    // A row for a file that cannot be graded, saying why.
    std::string refusedRow(std::string_view fileName, std::string_view student, const std::string &problem) const;

private:
    struct Column {
        std::string id;
        std::string item; // readout word, or "-"
        bool graded = true;
    };

    const Lesson &m_lesson;
    std::string m_identity;
    std::vector<Column> m_columns;
};

// A text typed by a student as one line of a file of ours: backslashes and
// line breaks written as \\ and \n, and read back.
std::string escapedText(std::string_view text);
std::string unescapedText(std::string_view text);

} // namespace talbrix
