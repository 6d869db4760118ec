#include "catalogue.h"

#include "lesson.h"
#include "linesource.h"
#include "scenario.h"

#include <algorithm>
#include <cctype>

namespace talbrix {

// The catalogues that ship, made by session/CMakeLists.txt from languages/.
std::vector<std::string_view> shippedTextFiles();

namespace {

struct LineError {
    std::string reason;
};

std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool isKeyCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

bool isKey(std::string_view word)
{
    return !word.empty() && word.front() != '.' && word.front() != '-'
        && std::all_of(word.begin(), word.end(), isKeyCharacter);
}

// Letters, digits and hyphens, as BCP 47 spells a tag: "de", "pt-BR", "sr-Latn".
bool isLanguageTag(std::string_view word)
{
    if (word.empty() || word.size() > 35 || word.front() == '-' || word.back() == '-')
        return false;
    return std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-';
    });
}

// "\n" a line break, "\\" a backslash; nothing else may follow a backslash,
// so that a stray one is told and not shown.
std::string unescaped(std::string_view text)
{
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            plain += text[i];
            continue;
        }
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (next == 'n')
            plain += '\n';
        else if (next == '\\')
            plain += '\\';
        else
            throw LineError { "a backslash begins \\n (a line break) or \\\\ (a backslash), not '\\"
                + std::string(text.substr(i + 1, 1)) + "'" };
        ++i;
    }
    return plain;
}

} // namespace

class CatalogueParser {
public:
    void line(std::string_view key, std::string_view rest, std::uint64_t number)
    {
        if (rest.empty())
            throw LineError { "'" + std::string(key) + "' has no text" };
        if (key == "language") {
            if (!isLanguageTag(rest))
                throw LineError { "'" + std::string(rest) + "' is not a language tag such as de or pt-BR" };
            m_catalogue.m_language = std::string(rest);
            return;
        }
        if (key == "name") {
            m_catalogue.m_name = std::string(rest);
            return;
        }
        if (!isKey(key) || key.find('.') == std::string_view::npos)
            throw LineError { "'" + std::string(key)
                + "' is not a text's key (lower-case letters, digits, '-' and at least one '.')" };
        const auto [at, added] = m_lines.emplace(std::string(key), number);
        if (!added)
            throw LineError { "'" + std::string(key) + "' is given twice (first on line " + std::to_string(at->second)
                + ")" };
        m_catalogue.m_entries.emplace(std::string(key), unescaped(rest));
    }

    Catalogue finish()
    {
        if (m_catalogue.m_language.empty())
            throw LineError { "the file names no language: a line 'language TAG' belongs after the first" };
        if (m_catalogue.m_name.empty())
            m_catalogue.m_name = m_catalogue.m_language;
        return std::move(m_catalogue);
    }

private:
    Catalogue m_catalogue;
    std::map<std::string, std::uint64_t, std::less<>> m_lines;
};

const std::string *Catalogue::find(std::string_view key) const
{
    const auto found = m_entries.find(key);
    return found == m_entries.end() ? nullptr : &found->second;
}

CatalogueReading readCatalogue(std::string_view text)
{
    CatalogueParser parser;
    TextLines lines(text);
    std::uint64_t number = 0;
    try {
        while (const auto next = lines.next()) {
            const std::string_view line = readableLine(*next, ++number == 1);
            if (std::string problem = lineProblem(line, "texts"); !problem.empty())
                throw LineError { std::move(problem) };
            const std::vector<std::string_view> words = splitWords(line);
            if (number == 1) {
                if (std::string problem = headingProblem(words,
                        { "texts", catalogueFormat, "not a Talbrix texts file",
                            "the texts are written for a newer Talbrix" });
                    !problem.empty())
                    throw LineError { std::move(problem) };
                continue;
            }
            if (words.empty() || words[0].front() == '#')
                continue;
            // The text is all that follows the key and the blanks after it.
            std::string_view rest = line.substr(static_cast<std::size_t>(words[0].data() - line.data()) + words[0].size());
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
                rest.remove_prefix(1);
            while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
                rest.remove_suffix(1);
            parser.line(words[0], rest, number);
        }
        if (number == 0)
            throw LineError { "the file is empty: not a Talbrix texts file" };
        return { parser.finish(), {} };
    } catch (const LineError &error) {
        return { std::nullopt, "line " + std::to_string(std::max<std::uint64_t>(number, 1)) + ": " + error.reason };
    }
}

unsigned placeholdersOf(std::string_view text)
{
    unsigned found = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9')
            found |= 1U << (text[i + 1] - '0');
    return found;
}

std::string fillPlaceholders(std::string_view pattern, const std::vector<std::string> &arguments)
{
    std::string filled;
    filled.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const auto index = static_cast<std::size_t>(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && index < arguments.size()) {
            filled += arguments[index];
            ++i;
        } else {
            filled += pattern[i];
        }
    }
    return filled;
}

std::string accessKeyOf(std::string_view text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return lowerCase(text.substr(i + 1, 1));
        ++i;
    }
    return {};
}

std::string withoutAccessKey(std::string_view text)
{
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

namespace {

std::string placeholderList(unsigned set)
{
    std::string list;
    for (int n = 1; n <= 9; ++n)
        if (set & (1U << n))
            list += (list.empty() ? "%" : ", %") + std::to_string(n);
    return list.empty() ? "none" : list;
}

std::string_view dialogOf(std::string_view key)
{
    return key.substr(0, key.rfind('.'));
}

} // namespace

std::vector<std::string> catalogueProblems(const Catalogue &english, const Catalogue &other)
{
    std::vector<std::string> problems;
    for (const auto &[key, text] : english.entries()) {
        const std::string *translated = other.find(key);
        if (!translated) {
            std::string problem = key;
            problem.append(": missing (English: ").append(text).append(")");
            problems.push_back(std::move(problem));
        } else if (placeholdersOf(*translated) != placeholdersOf(text)) {
            std::string problem = key;
            problem.append(": placeholders ").append(placeholderList(placeholdersOf(*translated)));
            problem.append(", English has ").append(placeholderList(placeholdersOf(text)));
            problems.push_back(std::move(problem));
        }
    }
    std::map<std::string, std::string, std::less<>> keyOwners; // "dialog\tletter" -> key
    for (const auto &[key, text] : other.entries()) {
        if (!english.find(key)) {
            problems.push_back(key + ": not a text Talbrix shows");
            continue;
        }
        const std::string letter = accessKeyOf(text);
        if (letter.empty())
            continue;
        const auto [owner, added] = keyOwners.emplace(std::string(dialogOf(key)) + '\t' + letter, key);
        if (!added) {
            std::string problem = key;
            problem.append(": access key '").append(letter).append("' is ").append(owner->second).append("'s too");
            problems.push_back(std::move(problem));
        }
    }
    return problems;
}

std::string chooseLanguage(const std::vector<std::string> &preferred, const std::vector<std::string> &available)
{
    const auto primaryOf = [](std::string_view tag) { return tag.substr(0, tag.find('-')); };
    const auto normal = [](std::string_view tag) {
        // "de_AT.UTF-8@euro", as a POSIX locale names it, is "de-at".
        std::string plain = lowerCase(tag.substr(0, tag.find_first_of(".@")));
        std::replace(plain.begin(), plain.end(), '_', '-');
        return plain;
    };
    const auto shipped = [&](std::string_view tag) -> std::string {
        for (const std::string &language : available)
            if (normal(language) == tag)
                return language;
        return {};
    };
    for (const std::string &wanted : preferred) {
        const std::string tag = normal(wanted);
        if (tag.empty() || tag == "c" || tag == "posix" || tag == "*")
            continue;
        std::string_view cut = tag;
        while (!cut.empty()) {
            if (std::string found = shipped(cut); !found.empty())
                return found;
            const std::size_t dash = cut.rfind('-');
            cut = dash == std::string_view::npos ? std::string_view() : cut.substr(0, dash);
        }
        for (const std::string &language : available)
            if (primaryOf(normal(language)) == primaryOf(tag))
                return language;
    }
    return {};
}

namespace {

const std::vector<Catalogue> &shippedCatalogues()
{
    static const std::vector<Catalogue> catalogues = [] {
        std::vector<Catalogue> read;
        // A shipped file with a mistake is left out (and fails the tests).
        for (const std::string_view text : shippedTextFiles())
            if (CatalogueReading reading = readCatalogue(text); reading.catalogue)
                read.push_back(std::move(*reading.catalogue));
        return read;
    }();
    return catalogues;
}

const Catalogue &english()
{
    static const Catalogue none;
    const Catalogue *found = shippedCatalogue("en");
    return found ? *found : none;
}

Texts &textsInUse()
{
    static Texts inUse;
    return inUse;
}

} // namespace

std::vector<std::string> shippedLanguages()
{
    std::vector<std::string> languages;
    for (const Catalogue &catalogue : shippedCatalogues())
        languages.push_back(catalogue.language());
    return languages;
}

const Catalogue *shippedCatalogue(std::string_view language)
{
    for (const Catalogue &catalogue : shippedCatalogues())
        if (catalogue.language() == language)
            return &catalogue;
    return nullptr;
}

Texts::Texts() = default;

Texts::Texts(Catalogue catalogue)
    : m_catalogue(std::move(catalogue))
{
}

const std::string &Texts::language() const
{
    static const std::string englishTag = "en";
    return m_catalogue ? m_catalogue->language() : englishTag;
}

std::string_view Texts::pattern(std::string_view key) const
{
    const std::string *found = m_catalogue ? m_catalogue->find(key) : nullptr;
    if (!found)
        found = english().find(key);
    // A key with no text anywhere shows itself, which the tests never let ship.
    return found ? std::string_view(*found) : key;
}

std::string Texts::text(std::string_view key, const std::vector<std::string> &arguments) const
{
    return fillPlaceholders(pattern(key), arguments);
}

Texts shippedTexts(std::string_view language)
{
    const Catalogue *catalogue = language == "en" ? nullptr : shippedCatalogue(language);
    return catalogue ? Texts(*catalogue) : Texts();
}

const Texts &texts()
{
    return textsInUse();
}

void useTexts(Texts chosen)
{
    textsInUse() = std::move(chosen);
}

std::string textOf(std::string_view key, std::initializer_list<std::string> arguments)
{
    return texts().text(key, std::vector<std::string>(arguments));
}

} // namespace talbrix
