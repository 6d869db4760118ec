#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace talbrix {

// Limits that every reader of a scenario applies alike. A line is a command
// of a few words, or a typed heart rate: no line needs more than this, and a
// file with a longer one (a binary file, /dev/zero) is refused at that line
// instead of being read into memory without end.
inline constexpr std::size_t maxLineBytes = 131072;
// Text8 holds what the heart-rate box can hold and show whole: at most 32,767
// characters (counted as the box counts them, in UTF-16 units) of UTF-8.
inline constexpr std::size_t maxText8Units = 32767;

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
// Keep the run as it stands as the reference to compare with, or let it go.
struct HoldReferenceCommand { };
struct ClearReferenceCommand { };

using ScenarioCommand = std::variant<SliderCommand, FibrillateCommand, DefibrillateCommand, Text8Command, TicksCommand,
    HoldReferenceCommand, ClearReferenceCommand>;

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
// line, as some editors write, is not part of it. A line longer than
// maxLineBytes, or holding a NUL byte (a binary file, or text in UTF-16), is
// refused, as is a command line that is not UTF-8. Messages about a line read "line L: reason".
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

// What every line-based file of ours reads alike: words split at blanks
// (spaces and tabs), whole numbers of decimal digits only that fit in 64
// bits, and whether bytes are UTF-8.
std::vector<std::string_view> splitWords(std::string_view line);
bool isWhole(std::string_view word);
std::optional<std::uint64_t> parseWhole(std::string_view word);
bool isUtf8(std::string_view text);

} // namespace talbrix
