#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace talbrix {

// The commands of a scenario file, one per line.
struct SliderCommand {
    int slider; // 1..6
    std::int32_t position; // 0..10
};
struct FibrillateCommand { };
struct DefibrillateCommand { };
struct Text8Command {
    std::string text; // verbatim, may be empty
};
struct TicksCommand {
    std::uint64_t count;
};

using ScenarioCommand = std::variant<SliderCommand, FibrillateCommand, DefibrillateCommand, Text8Command, TicksCommand>;

// The outcome of reading one line: a command, nothing (blank or comment
// line), or the reason the line is not a valid command.
struct ParsedLine {
    std::optional<ScenarioCommand> command;
    std::string error; // non-empty when the line is invalid; printable ASCII only
};

// Words are separated by blanks (spaces or tabs). A trailing carriage return
// is dropped, so files with CRLF line ends read the same.
ParsedLine parseScenarioLine(std::string_view line);

// Reads a scenario line after line (each without its line feed), numbering
// the lines from 1. A UTF-8 byte-order mark at the very start of the first
// line, as some editors write, is not part of it. Messages about a line read
// "line L: reason".
class ScenarioReader {
public:
    ParsedLine parseNext(std::string_view line);
    std::uint64_t lineNumber() const { return m_lineNumber; } // of the line parsed last
    std::string message(const std::string &reason) const;

private:
    std::uint64_t m_lineNumber = 0;
};

// A word or a file name quoted for a message: in single quotes, every byte
// outside printable ASCII written as \xHH (so a NUL, a no-break space or a
// stray byte-order mark shows), and a word longer than `longest` bytes cut
// short with "...".
std::string quoted(std::string_view word, std::size_t longest = 80);

} // namespace talbrix
