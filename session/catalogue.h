#pragma once

#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talbrix {

// The texts Talbrix shows around the form, one catalogue a language, read
// from a plain text file that a teacher can edit (docs/languages.md has the
// format). Texts are found by a stable key ("lesson.panel.next"), never by
// their English wording, so that mending an English sentence does not lose
// its translations; English is a catalogue like the others, and a text a
// language lacks is shown in English.

inline constexpr int catalogueFormat = 1;

class Catalogue {
public:
    const std::string &language() const { return m_language; } // a BCP 47 tag: "de", "pt-BR"
    const std::string &name() const { return m_name; } // in the language itself: "Deutsch"
    // The text of `key`, line breaks and markers as they stand, or null.
    const std::string *find(std::string_view key) const;
    const std::map<std::string, std::string, std::less<>> &entries() const { return m_entries; }

private:
    friend class CatalogueParser;
    std::string m_language;
    std::string m_name;
    std::map<std::string, std::string, std::less<>> m_entries;
};

struct CatalogueReading {
    std::optional<Catalogue> catalogue;
    std::string error; // "line L: reason"
};
CatalogueReading readCatalogue(std::string_view text);

// A text's placeholders %1..%9, as a set of bits (bit 1 for %1): a
// translation may use them in any order, but must use the same ones.
unsigned placeholdersOf(std::string_view text);
// `pattern` with %1..%9 replaced by the arguments, each once; a placeholder
// with no argument, and any other '%', stands as written.
std::string fillPlaceholders(std::string_view pattern, const std::vector<std::string> &arguments);

// Access keys: "&Next >" underlines N on the desktop, "&&" is one '&'.
// The key's letter, lower case ("" for none), and the text as the page shows
// it, without the marker.
std::string accessKeyOf(std::string_view text);
std::string withoutAccessKey(std::string_view text);

// What is wrong with `other` beside English, one line each, so that a
// teacher's file (and every shipped one, in the tests) says what to mend:
// a text missing, a placeholder missing or added, a key English does not
// have, or two texts of one dialog with the same access key (texts whose
// keys differ only after the last '.' share a dialog or menu).
std::vector<std::string> catalogueProblems(const Catalogue &english, const Catalogue &other);

// The best of `available` for a list of preferred languages, most preferred
// first (BCP 47 tags as the system or the browser gives them, "de-AT" or
// "de_AT.UTF-8"): a tag itself, else the tag with its last parts cut away
// ("de-AT" takes "de"), else another region of its language ("pt" takes
// "pt-BR"); the next preference only when nothing fits. Empty when nothing
// does.
std::string chooseLanguage(const std::vector<std::string> &preferred, const std::vector<std::string> &available);

// The languages that ship (languages/*.texts, built into every program), by tag.
std::vector<std::string> shippedLanguages();
const Catalogue *shippedCatalogue(std::string_view language);

// The texts in use: one catalogue, with English behind it.
class Texts {
public:
    Texts(); // English
    explicit Texts(Catalogue catalogue);

    const std::string &language() const;
    // A key's text as written, markers and placeholders in it (the key
    // itself for one with no text anywhere).
    std::string_view pattern(std::string_view key) const;
    std::string text(std::string_view key, const std::vector<std::string> &arguments = {}) const;

private:
    std::optional<Catalogue> m_catalogue; // none for English alone
};

// The texts of a shipped language over English (English alone for a tag
// that ships none).
Texts shippedTexts(std::string_view language);

// The texts every edition shows, English until a language is chosen; the
// editions choose once, at start.
const Texts &texts();
void useTexts(Texts chosen);
// A text of the texts in use, its placeholders filled.
std::string textOf(std::string_view key, std::initializer_list<std::string> arguments = {});

} // namespace talbrix
