// The scenario runner on arbitrary text: its line parser, and whole runs of
// small scenarios.
//
// Properties checked:
// - A line holding a NUL byte, or longer than the longest line, is an error.
//   Every other line (the first without a leading byte-order mark) is exactly one
//   of: nothing (blank, or '#' first), a command, or an error with a reason
//   in printable ASCII; a command's arguments are in range (slider 1..6,
//   position 0..10), and writing the command back as a line reads as the
//   same command. text8 keeps the rest of its line verbatim.
// - A run of the scenario (tick counts capped, so an input runs at most a
//   few thousand ticks) ends with status 0 when every line is valid, and
//   with status 2 and "line L:" at the first invalid line otherwise. It never
//   ends with a run-time error (status 3): whatever the sliders (0..10), the
//   options and the text typed into Text8, the model keeps running.
// - The trace has the header, the load row and one row per tick run.

#include "linesource.h"
#include "scenario.h"
#include "tracerun.h"
#include "tracewriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace {

using namespace talbrix;

// Enough to cross several beat boundaries at any rate, while keeping a run
// to milliseconds.
constexpr std::uint64_t tickBudget = 2000;

[[noreturn]] void fail(const std::string &what, std::string_view line)
{
    std::fprintf(stderr, "%s: line '%.*s'\n", what.c_str(), static_cast<int>(line.size()), line.data());
    std::abort();
}

bool isBlankOrComment(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const auto first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '#';
}

std::string lineFor(const ScenarioCommand &command)
{
    if (const auto *slider = std::get_if<SliderCommand>(&command))
        return "slider " + std::to_string(slider->slider) + " " + std::to_string(slider->position);
    if (std::holds_alternative<FibrillateCommand>(command))
        return "fibrillate";
    if (std::holds_alternative<DefibrillateCommand>(command))
        return "defibrillate";
    if (const auto *text = std::get_if<Text8Command>(&command))
        return "text8 " + text->text;
    if (std::holds_alternative<HoldReferenceCommand>(command))
        return "hold-reference";
    if (std::holds_alternative<ClearReferenceCommand>(command))
        return "clear-reference";
    return "ticks " + std::to_string(std::get<TicksCommand>(command).count);
}

void checkLine(std::string_view line, const ParsedLine &parsed)
{
    // No line of a text file holds a NUL byte or runs to megabytes: the
    // reader refuses such a line, whatever else it would be.
    if (line.find('\0') != std::string_view::npos || line.size() > maxLineBytes) {
        if (parsed.command || parsed.error.empty())
            fail("a line with a NUL byte or beyond the longest read as something", line);
        return;
    }
    if (parsed.command && !parsed.error.empty())
        fail("both a command and an error", line);
    if (!parsed.command && parsed.error.empty() && !isBlankOrComment(line))
        fail("neither a command nor an error", line);
    if (isBlankOrComment(line) && (parsed.command || !parsed.error.empty()))
        fail("a blank or comment line read as something", line);
    for (const char c : parsed.error) {
        if (c < 0x20 || c > 0x7E)
            fail("an unprintable byte in the message '" + parsed.error + "'", line);
    }
    if (!parsed.command)
        return;
    const ScenarioCommand &command = *parsed.command;
    if (const auto *slider = std::get_if<SliderCommand>(&command)) {
        if (slider->slider < 1 || slider->slider > 6 || slider->position < 0 || slider->position > 10)
            fail("slider command out of range", line);
    }
    // A text ending in a carriage return cannot be written on a line of its
    // own: the line's last one is taken as part of a CRLF line end.
    if (const auto *text = std::get_if<Text8Command>(&command);
        text && !text->text.empty() && text->text.back() == '\r')
        return;
    const std::string again = lineFor(command);
    const ParsedLine reparsed = parseScenarioLine(again);
    if (!reparsed.command || lineFor(*reparsed.command) != again)
        fail("does not read back as the same command from '" + again + "'", line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);

    // Lines as std::getline gives them; tick counts capped to the budget.
    std::string scenario;
    std::uint64_t budget = tickBudget;
    std::uint64_t ticksBeforeFirstError = 0;
    std::uint64_t firstBadLine = 0;
    std::uint64_t lineNumber = 0;
    ScenarioReader reader;
    for (std::size_t start = 0; start < input.size();) {
        auto end = input.find('\n', start);
        if (end == std::string_view::npos)
            end = input.size();
        std::string_view line = input.substr(start, end - start);
        start = end + 1;
        ++lineNumber;

        const ParsedLine parsed = reader.parseNext(line);
        constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
        if (lineNumber == 1 && line.substr(0, byteOrderMark.size()) == byteOrderMark)
            line.remove_prefix(byteOrderMark.size()); // what the reader skips
        checkLine(line, parsed);
        std::string kept(line);
        if (parsed.command && std::holds_alternative<TicksCommand>(*parsed.command)) {
            const std::uint64_t count = std::min(std::get<TicksCommand>(*parsed.command).count, budget);
            budget -= count;
            kept = "ticks " + std::to_string(count);
            if (firstBadLine == 0)
                ticksBeforeFirstError += count;
        }
        if (!parsed.error.empty() && firstBadLine == 0)
            firstBadLine = lineNumber;
        scenario += kept;
        scenario += '\n';
    }

    std::string trace;
    TextLines lines(scenario);
    TraceWriter writer([&](std::string_view block) { trace += block; });
    const TraceRun result = writeTrace(lines, writer);

    if (result.outcome == TraceRun::Outcome::RuntimeError)
        fail("a run-time error: " + result.message, input.substr(0, 200));
    const auto expected = firstBadLine == 0 ? TraceRun::Outcome::Done : TraceRun::Outcome::BadLine;
    if (result.outcome != expected)
        fail("the run ended otherwise than expected: " + result.message, input.substr(0, 200));
    if (firstBadLine != 0 && result.message.rfind("line " + std::to_string(firstBadLine) + ": ", 0) != 0)
        fail("error message '" + result.message + "' names the wrong line", input.substr(0, 200));
    std::uint64_t rows = 0;
    for (const char c : trace)
        rows += c == '\n' ? 1 : 0;
    if (rows != 2 + ticksBeforeFirstError)
        fail("trace has " + std::to_string(rows) + " lines, expected " + std::to_string(2 + ticksBeforeFirstError),
            input.substr(0, 200));
    return 0;
}
