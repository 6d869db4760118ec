#include "scenario.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <limits>
#include <string>
#include <vector>

namespace talbrix {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

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

namespace {

// The UTF-16 units of a UTF-8 text, or nothing when it is not UTF-8 (an
// overlong form, a surrogate, a stray or missing continuation byte).
std::optional<std::size_t> utf16Units(std::string_view text)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
            : lead >= 0xF0 && lead < 0xF5                                                                ? 4
                                                                                                         : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size())
            return std::nullopt;
        std::uint32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            code = code << 6 | (next & 0x3Fu);
        }
        constexpr std::uint32_t smallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
            return std::nullopt;
        units += code >= 0x10000 ? 2 : 1;
        i += static_cast<std::size_t>(length);
    }
    return units;
}

} // namespace

bool isUtf8(std::string_view text)
{
    return utf16Units(text).has_value();
}

namespace {

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
        const auto units = utf16Units(text);
        if (!units)
            return invalid("text8 must be UTF-8 text, got " + quoted(text, 24));
        if (*units > maxText8Units)
            return invalid("text8 holds at most " + std::to_string(maxText8Units) + " characters, got "
                + std::to_string(*units));
        return { Text8Command { std::string(text) }, {} };
    }

    // Any other line is ASCII words; bytes that are not even UTF-8 mean a
    // file that is not text at all (a picture, a document), which is better
    // said than shown as a run of escapes.
    if (!utf16Units(rest))
        return invalid("not a UTF-8 text file (the line holds bytes that are not UTF-8)");
    const auto words = splitWords(rest);
    const std::string_view name = words.front();
    if (name == "slider")
        return parseSlider(words);
    if (name == "ticks")
        return parseTicks(words);
    if (name == "fibrillate" || name == "defibrillate" || name == "hold-reference" || name == "clear-reference") {
        if (words.size() != 1)
            return invalid(std::string(name) + " takes no argument");
        if (name == "fibrillate")
            return { FibrillateCommand {}, {} };
        if (name == "defibrillate")
            return { DefibrillateCommand {}, {} };
        if (name == "hold-reference")
            return { HoldReferenceCommand {}, {} };
        return { ClearReferenceCommand {}, {} };
    }
    return invalid("unknown command " + quoted(name));
}

ParsedLine ScenarioReader::parseNext(std::string_view line)
{
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (++m_lineNumber == 1 && line.substr(0, byteOrderMark.size()) == byteOrderMark)
        line.remove_prefix(byteOrderMark.size());
    if (line.size() > maxLineBytes)
        return invalid("longer than " + std::to_string(maxLineBytes) + " bytes: not a scenario line");
    if (line.find('\0') != std::string_view::npos)
        return invalid("not a UTF-8 text file (the line holds a NUL byte)");
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
