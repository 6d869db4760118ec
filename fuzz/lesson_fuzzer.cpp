// The readers of lessons and results on arbitrary bytes: a teacher's file
// from any editor, a student's result from anywhere.
//
// Properties checked:
// - Reading never crashes, and a refusal always names a line ("line L: ...").
// - A lesson that reads, read again from its normalised text (line feeds
//   only, no byte-order mark), reads alike: same identity, title and steps.
// - A result that reads is checked against its own run (when the run is
//   short enough for a fuzzer) without crashing; a result that is not
//   verified says why.

#include "lesson.h"
#include "lessonresult.h"
#include "linesource.h"
#include "scenarioreplay.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool namesALine(const std::string &error)
{
    return error.rfind("line ", 0) == 0 && error.find(": ") != std::string::npos;
}

// The ticks a scenario asks for, or more than the fuzzer will run.
std::uint64_t ticksOf(const std::string &scenario)
{
    talbrix::TextLines lines(scenario);
    talbrix::ScenarioCheck check(lines);
    while (check.advance(1024)) {
    }
    return check.valid() ? check.ticks() : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const talbrix::LessonReading lesson = talbrix::readLesson(text);
    if (lesson.lesson) {
        const std::string normal = talbrix::normalisedText(text);
        const talbrix::LessonReading again = talbrix::readLesson(normal);
        require(again.lesson.has_value());
        require(again.lesson->title == lesson.lesson->title);
        require(again.lesson->steps.size() == lesson.lesson->steps.size());
        require(talbrix::lessonIdentity(normal) == talbrix::lessonIdentity(text));
    } else {
        require(namesALine(lesson.error));
    }

    const talbrix::ResultReading result = talbrix::readResult(text);
    if (!result.result) {
        require(namesALine(result.error));
        return 0;
    }
    const talbrix::LessonReading inside = talbrix::readLesson(result.result->lessonText);
    if (!inside.lesson || ticksOf(result.result->run) > 20000)
        return 0;
    const talbrix::ResultCheck check = talbrix::checkResult(*inside.lesson, *result.result);
    require(check.verified || !check.problem.empty());
    return 0;
}
