#include "beatlog.h"
#include "caselink.h"
#include "lesson.h"
#include "lessonresult.h"
#include "linesource.h"
#include "replayjob.h"
#include "scenario.h"
#include "scenarioreplay.h"
#include "tracerun.h"
#include "tracewriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

namespace {

// Exit statuses, as documented in the usage text.
constexpr int statusOk = 0;
constexpr int statusBadInput = 2; // usage, an unreadable scenario or a bad line
constexpr int statusRuntimeError = 3;
constexpr int statusWriteError = 4; // the trace could not be written whole

constexpr const char *usage
    = "usage: talbrix-trace [--decimal-comma] [--beats | --comparison] [SCENARIO_FILE]\n"
      "       talbrix-trace [--decimal-comma] --grade LESSON_FILE [RESULT_FILE...]\n"
      "       talbrix-trace --link PAGE_ADDRESS FILE | --open-link LINK\n"
      "Runs the scenario (standard input when no file is named, or for -) and prints the CSV trace\n"
      "of every tick; with --beats the beat log, a row for every beat boundary; with --comparison\n"
      "the reference held at the end beside the run (only the header when none is held).\n"
      "With --grade, checks each result of the lesson against its own run and prints a CSV row\n"
      "for it: the student, whether it is verified, the score and every answer (only the header\n"
      "when no result is named).\n"
      "With --decimal-comma, any of these tables is written for spreadsheets that read a decimal\n"
      "comma: semicolons between fields, commas in numbers, a UTF-8 byte-order mark first.\n"
      "With --link, prints the link that opens the scenario, lesson or result FILE in the page at\n"
      "PAGE_ADDRESS (a file checked first; a word on standard error when the link is long);\n"
      "with --open-link, prints the case a link carries.\n"
      "Exit status: 0 done; 2 usage, unreadable scenario, lesson or bad line; 3 run-time error in a\n"
      "tick; 4 the trace could not be written whole.\n";

void cannotRead(const std::string &source, int error)
{
    std::fprintf(stderr, "cannot read %s: %s\n", source.c_str(), std::generic_category().message(error).c_str());
}

enum class Table { Ticks, Beats, Comparison };

// Where the tables go: standard output as it stands, or through the
// decimal-comma form. A failed write throws, as a file's would.
bool decimalComma = false;
talbrix::CsvOutput::Sink standardOutput()
{
    talbrix::CsvOutput::Sink out = [](std::string_view block) {
        if (std::fwrite(block.data(), 1, block.size(), stdout) != block.size())
            throw talbrix::TraceWriteError("write error: " + std::generic_category().message(errno));
    };
    return decimalComma ? talbrix::DecimalCommaCsv::sink(std::move(out)) : out;
}

int flushed(int status)
{
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "write error: %s\n", std::generic_category().message(errno).c_str());
        return statusWriteError;
    }
    return status;
}

int printed(const std::string &text)
{
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        std::fprintf(stderr, "write error: %s\n", std::generic_category().message(errno).c_str());
        return statusWriteError;
    }
    return flushed(statusOk);
}

// A file read whole, as the editions open one: refused when it is larger
// than they would open.
bool readWhole(const char *path, std::string &text, std::string &error)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file) {
        error = std::generic_category().message(errno);
        return false;
    }
    char block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        text.append(block, got);
        if (text.size() > talbrix::maxOpenedBytes) {
            std::fclose(file);
            error = talbrix::tooLargeToOpen();
            return false;
        }
    }
    const bool failed = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (failed)
        error = std::generic_category().message(readError);
    return !failed;
}

int grade(int count, char **files)
{
    std::string lessonText, error;
    const std::string lessonName = talbrix::quoted(files[0], std::string::npos);
    if (!readWhole(files[0], lessonText, error)) {
        std::fprintf(stderr, "cannot read %s: %s\n", lessonName.c_str(), error.c_str());
        return statusBadInput;
    }
    const talbrix::LessonReading reading = talbrix::readLesson(lessonText);
    if (!reading.lesson) {
        std::fprintf(stderr, "%s: %s\n", lessonName.c_str(), reading.error.c_str());
        return statusBadInput;
    }
    const talbrix::GradeTable table(*reading.lesson, talbrix::lessonIdentity(lessonText));
    const talbrix::CsvOutput::Sink out = standardOutput();
    try {
        out(table.header());
        for (int i = 1; i < count; ++i) {
            std::string text;
            // A result that cannot be read is a row that says so, never a score.
            out(readWhole(files[i], text, error) ? table.row(files[i], text)
                                                 : table.refusedRow(files[i], "", "cannot read the file: " + error));
        }
    } catch (const talbrix::TraceWriteError &failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return statusWriteError;
    }
    return flushed(statusOk);
}

// The link to a file's case, for teachers who script a case per student;
// a file the page would refuse makes no link.
int printLink(const char *address, const char *path)
{
    std::string text, error;
    const std::string name = talbrix::quoted(path, std::string::npos);
    if (!readWhole(path, text, error)) {
        std::fprintf(stderr, "cannot read %s: %s\n", name.c_str(), error.c_str());
        return statusBadInput;
    }
    switch (talbrix::fileKindOf(text)) {
    case talbrix::FileKind::Lesson:
        error = talbrix::readLesson(text).error;
        break;
    case talbrix::FileKind::Result:
        error = talbrix::readResult(text).error;
        break;
    case talbrix::FileKind::Scenario: {
        talbrix::TextLines lines(text);
        talbrix::ScenarioCheck check(lines);
        while (check.advance(65536)) {
        }
        error = check.error();
        break;
    }
    }
    if (!error.empty()) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
        return statusBadInput;
    }
    const std::string link = talbrix::caseLink(address, text) + "\n";
    const std::string word = talbrix::longLinkWord(link.size() - 1);
    if (!word.empty())
        std::fprintf(stderr, "%s\n", word.c_str());
    return printed(link);
}

int printCase(const char *link)
{
    const talbrix::CaseLinkReading reading = talbrix::readCaseLink(link);
    if (!reading.error.empty()) {
        std::fprintf(stderr, "%s\n", reading.error.c_str());
        return statusBadInput;
    }
    return printed(reading.text);
}

int run(std::FILE *file, const std::string &source, Table kind)
{
    talbrix::FileLines lines(file, talbrix::maxLineBytes);
    talbrix::TraceRun result;
    if (kind == Table::Beats) {
        talbrix::BeatTableWriter table(standardOutput());
        result = talbrix::writeBeatTable(lines, table);
    } else if (kind == Table::Comparison) {
        talbrix::CsvOutput table(standardOutput());
        result = talbrix::writeComparisonTable(lines, table);
    } else {
        talbrix::TraceWriter trace(standardOutput());
        result = talbrix::writeTrace(lines, trace);
    }
    if (result.outcome == talbrix::TraceRun::Outcome::Done && std::fflush(stdout) != 0) {
        result.outcome = talbrix::TraceRun::Outcome::WriteError;
        result.message = "write error: " + std::generic_category().message(errno);
    }
    using Outcome = talbrix::TraceRun::Outcome;
    switch (result.outcome) {
    case Outcome::Done:
        return statusOk;
    case Outcome::BadLine:
        std::fprintf(stderr, "%s\n", result.message.c_str());
        return statusBadInput;
    case Outcome::ReadError:
        cannotRead(source, lines.error());
        return statusBadInput;
    case Outcome::RuntimeError:
        std::fprintf(stderr, "%s\n", result.message.c_str());
        return statusRuntimeError;
    case Outcome::WriteError:
        break;
    }
    std::fprintf(stderr, "%s\n", result.message.c_str());
    return statusWriteError;
}

} // namespace

// talbrix-trace [--beats | --comparison] [SCENARIO_FILE]: runs a scenario
// (standard input when no file is named, or for -) and prints the CSV trace
// of every tick, the beat log or the comparison; talbrix-trace --grade grades
// a class's lesson results.
int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return std::fflush(stdout) == 0 ? statusOk : statusWriteError;
    }
    if (argc == 4 && std::strcmp(argv[1], "--link") == 0)
        return printLink(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "--open-link") == 0)
        return printCase(argv[2]);
    if (argc > 1 && std::strcmp(argv[1], "--decimal-comma") == 0) {
        decimalComma = true;
        --argc;
        ++argv;
    }
    if (argc > 1 && std::strcmp(argv[1], "--grade") == 0) {
        if (argc < 3) {
            std::fputs(usage, stderr);
            return statusBadInput;
        }
        return grade(argc - 2, argv + 2);
    }
    Table kind = Table::Ticks;
    if (argc > 1 && std::strcmp(argv[1], "--beats") == 0)
        kind = Table::Beats;
    else if (argc > 1 && std::strcmp(argv[1], "--comparison") == 0)
        kind = Table::Comparison;
    const int first = kind == Table::Ticks ? 1 : 2; // the scenario's argument, if any
    if (argc > first + 1 || (argc == first + 1 && argv[first][0] == '-' && argv[first][1] != '\0')) {
        std::fputs(usage, stderr);
        return statusBadInput;
    }
    if (argc == first || std::strcmp(argv[first], "-") == 0)
        return run(stdin, "standard input", kind);
    const std::string name = talbrix::quoted(argv[first], std::string::npos);
    std::FILE *file = std::fopen(argv[first], "rb");
    if (!file) {
        cannotRead(name, errno);
        return statusBadInput;
    }
    const int status = run(file, name, kind);
    std::fclose(file);
    return status;
}
