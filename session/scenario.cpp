#include "scenario.h"

#include <charconv>
#include <limits>
#include <string>
#include <vector>

namespace talbrix {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::vector<std::string_view> splitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i]))
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool isWhole(std::string_view word)
{
    return !word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos;
}

// A whole number made of decimal digits only (no sign, no blanks) that fits
// in 64 bits.
std::optional<std::uint64_t> parseWhole(std::string_view word)
{
    std::uint64_t value = 0;
    if (!isWhole(word))
        return std::nullopt;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc {} || end != word.data() + word.size())
        return std::nullopt;
    return value;
}

ParsedLine invalid(std::string reason)
{
    return { std::nullopt, std::move(reason) };
}

ParsedLine parseSlider(const std::vector<std::string_view> &words)
{
    if (words.size() != 3)
        return invalid("usage: slider N P");
    const auto slider = parseWhole(words[1]);
    if (!slider || *slider < 1 || *slider > 6)
        return invalid("slider number must be 1..6, got " + quoted(words[1]));
    const auto position = parseWhole(words[2]);
    if (!position || *position > 10)
        return invalid("slider position must be 0..10, got " + quoted(words[2]));
    return { SliderCommand { static_cast<int>(*slider), static_cast<std::int32_t>(*position) }, {} };
}

ParsedLine parseTicks(const std::vector<std::string_view> &words)
{
    if (words.size() != 2)
        return invalid("usage: ticks N");
    const auto count = parseWhole(words[1]);
    if (!count && isWhole(words[1]))
        return invalid("tick count must be at most " + std::to_string(std::numeric_limits<std::uint64_t>::max())
            + ", got " + quoted(words[1]));
    if (!count)
        return invalid("tick count must be a whole number >= 0, got " + quoted(words[1]));
    return { TicksCommand { *count }, {} };
}

} // namespace

ParsedLine parseScenarioLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    std::size_t first = 0;
    while (first < line.size() && isBlank(line[first]))
        ++first;
    if (first == line.size() || line[first] == '#')
        return {};

    // text8 takes the rest of the line verbatim: everything after the one
    // blank that follows the word.
    constexpr std::string_view text8 = "text8";
    const std::string_view rest = line.substr(first);
    if (rest.substr(0, text8.size()) == text8 && (rest.size() == text8.size() || isBlank(rest[text8.size()]))) {
        const std::string_view text = rest.size() > text8.size() ? rest.substr(text8.size() + 1) : std::string_view {};
        return { Text8Command { std::string(text) }, {} };
    }

    const auto words = splitWords(rest);
    const std::string_view name = words.front();
    if (name == "slider")
        return parseSlider(words);
    if (name == "ticks")
        return parseTicks(words);
    if (name == "fibrillate" || name == "defibrillate") {
        if (words.size() != 1)
            return invalid(std::string(name) + " takes no argument");
        if (name == "fibrillate")
            return { FibrillateCommand {}, {} };
        return { DefibrillateCommand {}, {} };
    }
    return invalid("unknown command " + quoted(name));
}

ParsedLine ScenarioReader::parseNext(std::string_view line)
{
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (++m_lineNumber == 1 && line.substr(0, byteOrderMark.size()) == byteOrderMark)
        line.remove_prefix(byteOrderMark.size());
    return parseScenarioLine(line);
}

std::string ScenarioReader::message(const std::string &reason) const
{
    return "line " + std::to_string(m_lineNumber) + ": " + reason;
}

std::string quoted(std::string_view word, std::size_t longest)
{
    constexpr std::string_view hexDigits = "0123456789ABCDEF";
    std::string text = "'";
    for (const char c : word.substr(0, longest)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            text += "\\x";
            text += hexDigits[byte >> 4];
            text += hexDigits[byte & 0xF];
        }
    }
    text += word.size() > longest ? "...'" : "'";
    return text;
}

} // namespace talbrix
