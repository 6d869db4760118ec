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
    std::string error; // non-empty when the line is invalid
};

// Words are separated by blanks (spaces or tabs). A trailing carriage return
// is dropped, so files with CRLF line ends read the same.
ParsedLine parseScenarioLine(std::string_view line);

} // namespace talbrix
