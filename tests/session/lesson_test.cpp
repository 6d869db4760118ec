#include "catalogue.h"
#include "lesson.h"
#include "lessonresult.h"
#include "lessonrun.h"
#include "lessonstudent.h"
#include "sha256.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace talbrix;
using sessiontesting::Answering;

namespace {

std::string fileText(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::filesystem::path> shippedLessons()
{
    std::vector<std::filesystem::path> found;
    for (const auto &entry : std::filesystem::directory_iterator(TALBRIX_LESSONS_DIR))
        if (entry.path().extension() == ".lesson")
            found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> cellsOf(const std::string &row)
{
    std::vector<std::string> cells(1);
    bool inQuotes = false;
    for (std::size_t i = 0; i < row.size(); ++i) {
        const char c = row[i];
        if (c == '"' && inQuotes && i + 1 < row.size() && row[i + 1] == '"') {
            cells.back() += '"';
            ++i;
        } else if (c == '"') {
            inQuotes = !inQuotes;
        } else if (c == ',' && !inQuotes) {
            cells.emplace_back();
        } else if (c != '\n' || inQuotes) {
            cells.back() += c;
        }
    }
    return cells;
}

// The grade table's row of a result, by column name.
std::map<std::string, std::string> gradeOf(const std::string &lessonText, const std::string &result)
{
    const LessonReading reading = readLesson(lessonText);
    const GradeTable table(*reading.lesson, lessonIdentity(lessonText));
    const std::vector<std::string> names = cellsOf(table.header());
    const std::vector<std::string> cells = cellsOf(table.row("result.txt", result));
    std::map<std::string, std::string> row;
    for (std::size_t i = 0; i < names.size() && i < cells.size(); ++i)
        row[names[i]] = cells[i];
    EXPECT_EQ(cells.size(), names.size()) << table.row("result.txt", result);
    return row;
}

std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    const std::size_t at = text.find(from);
    if (at == std::string::npos)
        throw std::logic_error("no " + from + " in the text");
    return text.replace(at, from.size(), to);
}

} // namespace

TEST(Lesson, Sha256MatchesTheStandardsVectors)
{
    EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
        "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(sha256Hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Lesson, ReadsEveryKindOfLine)
{
    const std::string text = "\xEF\xBB\xBFtalbrix lesson 1\r\n"
                             "title Élan *vital*\n"
                             "notes For teachers.\n"
                             "case slider 1 5\n"
                             "case ticks 300\n"
                             "step One\n"
                             "text A *bold* word\n"
                             "text and more.\n"
                             "text\n"
                             "text - an item\n"
                             "setup hold-reference\n"
                             "task slider 2 up\n"
                             "mark before\n"
                             "predict p-1_a direction Text1 Text5 within 5%\n"
                             "predict n number Text5 tolerance 10%\n"
                             "predict c choice\n"
                             "option a Text5 down Output falls\n"
                             "option b Text5 up Output rises\n"
                             "step Two\n"
                             "observe p-1_a from before to settled\n"
                             "if right Yes\n"
                             "if wrong No\n"
                             "hint Think.\n"
                             "observe n at now\n"
                             "observe c from reference to now\n"
                             "if b Not so.\n"
                             "question why\n";
    const LessonReading reading = readLesson(text);
    ASSERT_TRUE(reading.lesson) << reading.error;
    const Lesson &lesson = *reading.lesson;
    EXPECT_EQ(lesson.title, "Élan *vital*");
    EXPECT_EQ(lesson.caseScenario, "slider 1 5\nticks 300\n");
    ASSERT_EQ(lesson.steps.size(), 2u);
    const auto &items = lesson.steps[0].items;
    ASSERT_EQ(items.size(), 8u);
    EXPECT_EQ(std::get<TextBlock>(items[0]),
        (TextBlock { { { "A ", false }, { "bold", true }, { " word", false }, { " ", false }, { "and more.", false } },
            false }));
    EXPECT_EQ(std::get<TextBlock>(items[1]), (TextBlock { { { "an item", false } }, true }));
    EXPECT_EQ(std::get<Task>(items[3]).kind, Task::Kind::SliderUp);
    EXPECT_DOUBLE_EQ(std::get<Prediction>(items[5]).sameWithin, 0.05);
    EXPECT_TRUE(std::get<Prediction>(items[6]).relative);
    ASSERT_EQ(std::get<Prediction>(items[7]).options.size(), 2u);
    EXPECT_EQ(std::get<Prediction>(items[7]).options[1].text, "Output rises");
    EXPECT_EQ(std::get<Prediction>(items[7]).options[1].direction, Direction::Up);
    const auto &observation = std::get<Observation>(lesson.steps[1].items[0]);
    EXPECT_EQ(observation.from->mark, "before");
    EXPECT_EQ(observation.hint, "Think.");
    EXPECT_EQ(std::get<Observation>(lesson.steps[1].items[2]).ifChoice.size(), 1u);
    // The same lesson with other line ends and no byte-order mark is the same lesson.
    std::string plain = text.substr(3);
    plain.erase(plain.find('\r'), 1);
    EXPECT_EQ(lessonIdentity(plain), lessonIdentity(text));
    EXPECT_NE(lessonIdentity(plain + "text more\n"), lessonIdentity(text));
}

TEST(Lesson, RefusesAMistakeWithItsLineAndReason)
{
    const std::string head = "talbrix lesson 1\ntitle T\nstep S\n";
    const std::pair<std::string, std::string> cases[] = {
        { "", "line 1: the file is empty" },
        { "talbrix lesson 2\n", "line 1: the lesson is written for a newer Talbrix (lesson format 2)" },
        { "talbrix scenario\n", "line 1: not a Talbrix lesson" },
        { "talbrix lesson 1\nstep S\n", "line 2: the lesson has no title line" },
        { "talbrix lesson 1\ntitle T\n", "line 2: the lesson has no step" },
        { "talbrix lesson 1\ntitle T\ntext x\n", "line 3: text belongs in a step" },
        { head + "case ticks 5\n", "line 4: case lines come before the first step" },
        { head + "setup ticks 5\n", "line 4: a step cannot run the model" },
        { head + "setup slider 7 1\n", "line 4: setup takes a scenario command: slider number must be 1..6" },
        { head + "task jump\n", "line 4: unknown task 'jump'" },
        { head + "task slider 1 to 11\n", "line 4: usage: task slider N to P, P of 0..10" },
        { head + "predict p direction Text14\n", "line 4: a readout is Text1..Text13, got 'Text14'" },
        { head + "predict p number Text5 tolerance 1,5\n", "line 4: a tolerance is a number" },
        { head + "predict p number Text5 tolerance 1" + std::string(400, '0') + "\n", "line 4: a tolerance is a number" },
        { head + "predict p direction Text1\nobserve p from now to now\n",
            "line 5: a prediction is observed in a later step" },
        { head + "predict p direction Text1\nstep T\n", "line 4: prediction 'p' is never observed" },
        { head + "predict p choice\noption a Text1 up A\nstep T\nobserve p from now to now\n",
            "line 4: prediction 'p' offers fewer than two options" },
        { head + "predict p direction Text1\nstep T\nobserve p from before to now\n",
            "line 6: a moment is now, settled, reference or a mark made before, got 'before'" },
        { head + "mark now\n", "line 4: 'now' names a moment already" },
        { head + "question q\nquestion q\n", "line 5: 'q' is named twice" },
        { head + "if right Yes\n", "line 4: if lines follow an 'observe' line" },
        { head + "predict p choice\noption a Text1 sideways A\n",
            "line 5: an option says up, down or same of its readout, got 'sideways'" },
        { head + "predict p choice\noption a Text1 up A\noption b Text1 down B\nstep T\nobserve p from now to now\n"
                 "if z Zed\n",
            "line 9: if takes right, wrong or one of the prediction's options, got 'z'" },
        { head + "text \xC3\x28\n", "line 4: not a UTF-8 text file" },
        { head + "frobnicate\n", "line 4: unknown lesson line 'frobnicate'" },
    };
    for (const auto &[text, error] : cases) {
        const LessonReading reading = readLesson(text);
        EXPECT_FALSE(reading.lesson) << text;
        EXPECT_EQ(reading.error.substr(0, error.size()), error) << text;
    }
}

TEST(Lesson, TakesANumberAsAStudentTypesIt)
{
    const std::pair<const char *, std::optional<double>> cases[] = {
        { "4,5", 4.5 }, { " -3 ", -3.0 }, { "+7", 7.0 }, { "1026", 1026.0 }, { ".5", 0.5 },
        { "1.2.3", std::nullopt }, { "5-", std::nullopt }, { "abc", std::nullopt }, { "", std::nullopt },
        { "-", std::nullopt }, { "1e5", std::nullopt },
    };
    for (const auto &[text, number] : cases)
        EXPECT_EQ(typedNumber(text), number) << text;
}

TEST(Lesson, AMarkWaitsForTheFirstBeat)
{
    sessiontesting::HeadlessLesson lesson(
        "talbrix lesson 1\ntitle T\nstep S\nmark first\ntask start\n", "Ada");
    EXPECT_TRUE(lesson.lesson().marks().empty()) << "no beat yet";
    lesson.setRunning(true);
    while (lesson.lesson().marks().empty() && lesson.run().ticks() < 200)
        lesson.tick();
    ASSERT_EQ(lesson.lesson().marks().size(), 1u);
    EXPECT_EQ(lesson.lesson().marks()[0].row.beat, 1u);
    EXPECT_TRUE(lesson.lesson().canGoNext());
}

TEST(Lesson, WaitsForEachTaskAndNeverDoesItForTheStudent)
{
    sessiontesting::HeadlessLesson lesson(fileText(std::filesystem::path(TALBRIX_LESSONS_DIR) / "peripheral-resistance.lesson"), "Ada");
    // Start, then settle: a paused run settles never, and Next stays shut.
    EXPECT_FALSE(lesson.lesson().canGoNext());
    for (int i = 0; i < 3000; ++i)
        lesson.tick();
    EXPECT_FALSE(lesson.lesson().canGoNext());
    EXPECT_EQ(lesson.run().ticks(), 3000u) << "the case's own ticks only";
    lesson.setRunning(true);
    while (!lesson.lesson().canGoNext() && lesson.run().ticks() < 10000)
        lesson.tick();
    EXPECT_TRUE(lesson.lesson().canGoNext());
    lesson.next();
    EXPECT_FALSE(lesson.lesson().canGoNext()) << "no reference is held yet";
    lesson.holdReference();
    lesson.next();
    // A prediction takes only the answers it offers, and Next waits for all of them.
    EXPECT_FALSE(lesson.live().answer("afterload", "Text1", "higher", 1));
    EXPECT_FALSE(lesson.live().answer("afterload", "Text2", "up", 1));
    EXPECT_TRUE(lesson.live().answer("afterload", "Text1", "up", 1));
    EXPECT_FALSE(lesson.lesson().canGoNext());
    lesson.answer("afterload", "Text3", "down");
    lesson.answer("afterload", "Text5", "down");
    lesson.next();
    // Once left, a prediction is kept as it was.
    EXPECT_TRUE(lesson.lesson().locked("afterload"));
    EXPECT_FALSE(lesson.live().answer("afterload", "Text1", "down", 1));
    lesson.setSlider(1, 7);
    for (int i = 0; i < 2000; ++i)
        lesson.tick();
    EXPECT_FALSE(lesson.lesson().canGoNext()) << "the slider is not at 8";
}

TEST(Lesson, EveryShippedLessonGradesARightAndAWrongStudentAndCatchesAnEditedResult)
{
    const auto lessons = shippedLessons();
    EXPECT_GE(lessons.size(), 6u);
    for (const auto &path : lessons) {
        SCOPED_TRACE(path.filename().string());
        const std::string text = fileText(path);
        sessiontesting::HeadlessLesson probe(text, "Probe");
        const sessiontesting::Observed seen = sessiontesting::followLesson(probe, Answering::Probe);
        ASSERT_FALSE(seen.empty());
        for (const Answering answering : { Answering::Right, Answering::Wrong }) {
            const bool right = answering == Answering::Right;
            sessiontesting::HeadlessLesson student(text, right ? "Rosa \"Right\", Jr." : "=Wrong");
            const sessiontesting::Observed observed = sessiontesting::followLesson(student, answering, seen);
            EXPECT_EQ(observed, seen) << "the same actions make the same run";
            const auto [score, outOf] = student.lesson().score();
            EXPECT_EQ(score, right ? outOf : 0);

            const std::string result = student.result();
            auto grade = gradeOf(text, result);
            EXPECT_EQ(grade["verified"], "yes") << grade["problem"];
            EXPECT_EQ(grade["score"], std::to_string(right ? outOf : 0));
            EXPECT_EQ(grade["out of"], std::to_string(outOf));
            EXPECT_EQ(grade["student"], right ? "Rosa \"Right\", Jr." : "'=Wrong");

            // Reopened, the result shows the same answers and the replay's observations.
            const ResultReading reading = readResult(result);
            ASSERT_TRUE(reading.result) << reading.error;
            EXPECT_EQ(reading.result->answers, student.lesson().answers());
            EXPECT_TRUE(reading.result->finished);
            const ResultCheck check = checkResult(student.lesson().lesson(), *reading.result);
            ASSERT_TRUE(check.verified) << check.problem;
            ASSERT_EQ(check.observations.size(), student.lesson().observations().size());
            for (std::size_t i = 0; i < check.observations.size(); ++i)
                EXPECT_EQ(check.observations[i].at, student.lesson().observations()[i].at);
            LessonRun reopened(student.lesson().lesson(), reading.result->student);
            reopened.restore(reading.result->answers, check.marks, check.observations, reading.result->reached,
                reading.result->finished);
            EXPECT_EQ(reopened.reached(), student.lesson().reached());
            EXPECT_EQ(reopened.step(), student.lesson().step());
            EXPECT_TRUE(reopened.finished());
            EXPECT_EQ(reopened.score(), student.lesson().score());
            LessonRun beyondTheEnd(student.lesson().lesson(), "x");
            beyondTheEnd.restore({}, {}, {}, 99, false);
            EXPECT_EQ(beyondTheEnd.step(), student.lesson().stepCount() - 1);

            if (!right)
                continue;
            // A better number typed in, a run that did something else, a
            // prediction given after the fact, or another lesson's text: each
            // is caught, and none gets a score.
            const std::size_t valueEnd = result.find('\n', result.find("\nvalue ") + 1);
            const std::size_t lastNumber = result.rfind(' ', valueEnd) + 1;
            const std::string edited = result.substr(0, lastNumber) + "1" + result.substr(lastNumber);
            // A number no double holds is refused as a line, not raised as overflow.
            const std::string huge = result.substr(0, lastNumber) + "9e999" + result.substr(valueEnd);
            const std::size_t answer = result.find("\nanswer ");
            const std::size_t tickStart = result.find(' ', result.find(' ', result.find(' ', answer + 1) + 1) + 1) + 1;
            const std::string lateAnswer = result.substr(0, tickStart) + "99999999" + result.substr(result.find(' ', tickStart));
            const std::string endless = replaced(result, "end run", "| ticks 18446744073709551615\nend run");
            const std::size_t reached = result.find("\nreached ") + 9;
            const std::string beyond = result.substr(0, reached) + "99" + result.substr(result.find(' ', reached));
            for (const std::string &forged : { edited, huge, replaced(result, "| ticks ", "| ticks 1"), lateAnswer,
                     replaced(result, "| step ", "| step Z"), endless, beyond }) {
                auto forgedGrade = gradeOf(text, forged);
                EXPECT_EQ(forgedGrade["verified"], "no") << forged;
                EXPECT_FALSE(forgedGrade["problem"].empty());
                EXPECT_EQ(forgedGrade["score"], "");
            }
            // A teacher reading results in another language reads why too,
            // the numbers that differ filled in.
            useTexts(shippedTexts("de"));
            const std::string why = gradeOf(text, edited)["problem"];
            useTexts(Texts());
            EXPECT_NE(why.find(" ist in der Wiederholung "), std::string::npos) << why;
            EXPECT_NE(why.find(", im Ergebnis 1"), std::string::npos) << why;
        }
    }
}

TEST(Lesson, TheReadmesAndTheFormatsExamplesAreLessonsThatWork)
{
    for (const char *document : { "README.md", "docs/lessons.md" }) {
        SCOPED_TRACE(document);
        const std::string text = fileText(std::filesystem::path(TALBRIX_LESSONS_DIR) / ".." / document);
        const std::size_t start = text.find("talbrix lesson 1\n");
        ASSERT_NE(start, std::string::npos);
        const std::string example = text.substr(start, text.find("```", start) - start);
        sessiontesting::HeadlessLesson probe(example, "Probe");
        const sessiontesting::Observed seen = sessiontesting::followLesson(probe, Answering::Probe);
        sessiontesting::HeadlessLesson student(example, "Student");
        sessiontesting::followLesson(student, Answering::Right, seen);
        const auto [right, outOf] = student.lesson().score();
        EXPECT_GT(outOf, 0);
        EXPECT_EQ(right, outOf);
    }
}

TEST(Lesson, GradesNoScoreForWhatIsNotAResultOfTheLesson)
{
    const auto lessons = shippedLessons();
    ASSERT_GE(lessons.size(), 2u);
    const std::string text = fileText(lessons[0]);
    sessiontesting::HeadlessLesson other(fileText(lessons[1]), "Elsewhere");
    sessiontesting::followLesson(other, Answering::Probe);
    const std::string result = other.result();
    const std::pair<std::string, std::string> cases[] = {
        { result, "a result of another lesson" },
        { "", "not a lesson result: line 1: the file is empty" },
        { "talbrix result 9\n", "not a lesson result: line 1: the result is written by a newer Talbrix" },
        { result.substr(0, result.size() / 2), "not a lesson result" },
        { "\x89PNG\r\n\x1a\n", "not a lesson result: line 1: not a" },
    };
    for (const auto &[file, problem] : cases) {
        auto grade = gradeOf(text, file);
        EXPECT_EQ(grade["verified"], "no");
        EXPECT_EQ(grade["problem"].substr(0, problem.size()), problem);
        EXPECT_EQ(grade["score"], "");
    }
}
