#include "caselink.h"

#include "catalogue.h"
#include "replayjob.h"
#include "zlibstream.h"

#include <array>
#include <cstdint>
#include <optional>

namespace talbrix {
namespace {

constexpr std::string_view caseKey = "case=";
constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

std::string base64url(std::string_view bytes)
{
    std::string text;
    text.reserve((bytes.size() * 4 + 2) / 3);
    std::uint32_t buffer = 0;
    int bits = 0;
    for (const char byte : bytes) {
        buffer = (buffer << 8) | static_cast<std::uint8_t>(byte);
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            text.push_back(alphabet[(buffer >> bits) & 0x3f]);
        }
    }
    if (bits > 0)
        text.push_back(alphabet[(buffer << (6 - bits)) & 0x3f]);
    return text;
}

bool isBlank(char letter)
{
    return letter == ' ' || letter == '\t' || letter == '\r' || letter == '\n';
}

// Nothing when a letter is not of the alphabet, or the length cannot be one
// of base64 (a single letter left over).
std::optional<std::string> fromBase64url(std::string_view text)
{
    std::array<int, 256> value {};
    value.fill(-1);
    for (std::size_t index = 0; index < alphabet.size(); ++index)
        value.at(static_cast<std::uint8_t>(alphabet[index])) = static_cast<int>(index);
    std::string bytes;
    std::uint32_t buffer = 0;
    int bits = 0;
    std::size_t letters = 0;
    for (const char letter : text) {
        if (isBlank(letter))
            continue;
        const int digit = value.at(static_cast<std::uint8_t>(letter));
        if (digit < 0)
            return std::nullopt;
        ++letters;
        buffer = (buffer << 6) | static_cast<std::uint32_t>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<char>((buffer >> bits) & 0xff));
        }
    }
    // The bits after the last whole byte are padding, always zero: a letter
    // changed there is a damaged link as much as any other.
    if (letters % 4 == 1 || (buffer & ((1U << bits) - 1)) != 0)
        return std::nullopt;
    return bytes;
}

std::string_view withoutFragment(std::string_view address)
{
    return address.substr(0, address.find('#'));
}

std::string_view fragmentOf(std::string_view link)
{
    const std::size_t hash = link.find('#');
    return hash == std::string_view::npos ? link : link.substr(hash + 1);
}

std::string damaged()
{
    return textOf("link.message.damaged");
}

} // namespace

std::string caseLink(std::string_view address, std::string_view text)
{
    std::string link(withoutFragment(address));
    link += '#';
    link += caseKey;
    link += std::to_string(caseLinkVersion);
    link += ':';
    link += base64url(zlibCompressed(text));
    return link;
}

bool carriesCase(std::string_view address)
{
    const std::size_t hash = address.find('#');
    return hash != std::string_view::npos && address.substr(hash + 1).substr(0, caseKey.size()) == caseKey;
}

CaseLinkReading readCaseLink(std::string_view link)
{
    std::string_view fragment = fragmentOf(link);
    while (!fragment.empty() && isBlank(fragment.front()))
        fragment.remove_prefix(1);
    if (fragment.substr(0, caseKey.size()) != caseKey)
        return { {}, textOf("link.message.not-a-link") };
    fragment.remove_prefix(caseKey.size());
    const std::size_t colon = fragment.find(':');
    const std::string_view version = fragment.substr(0, colon);
    if (colon == std::string_view::npos || version.empty() || version.size() > 9
        || version.find_first_not_of("0123456789") != std::string_view::npos)
        return { {}, damaged() };
    if (std::stoi(std::string(version)) > caseLinkVersion)
        return { {}, textOf("link.message.newer", { std::string(version), std::to_string(caseLinkVersion) }) };
    const std::optional<std::string> stream = fromBase64url(fragment.substr(colon + 1));
    if (!stream)
        return { {}, damaged() };
    // A few bytes of stream can claim a vast text: no more than a file may hold.
    std::optional<std::string> text = zlibDecompressed(*stream, maxOpenedBytes + 1);
    if (!text)
        return { {}, damaged() };
    if (text->size() > maxOpenedBytes)
        return { {}, textOf("link.message.too-large", { std::to_string(maxOpenedBytes >> 20) }) };
    return { std::move(*text), {} };
}

std::string longLinkWord(std::size_t characters)
{
    if (characters <= longLinkCharacters)
        return {};
    return textOf("link.message.long", { std::to_string(characters), std::to_string(longLinkCharacters) });
}

} // namespace talbrix
