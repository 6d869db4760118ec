// The catalogue of texts: the reader and its refusals, placeholders and
// access keys, the choice of a language from a list of preferences, and the
// shipped catalogues checked against English and against the keys the code
// asks for, so that a text missing from a language fails here by name.

#include "catalogue.h"
#include "lesson.h"
#include "lessonrun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

using namespace talbrix;

namespace {

std::string fileText(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Catalogue read(const std::string &text)
{
    CatalogueReading reading = readCatalogue(text);
    EXPECT_TRUE(reading.catalogue) << reading.error;
    return reading.catalogue ? *reading.catalogue : Catalogue {};
}

// Restores English after a test that chose another language.
struct EnglishAfter {
    ~EnglishAfter() { useTexts(Texts()); }
};

} // namespace

TEST(Catalogue, ReadsKeysTextsEscapesAndTheLanguageAsATeachersEditorSavesThem)
{
    const Catalogue catalogue = read("\xEF\xBB\xBFtalbrix texts 1\r\n"
                                     "# a comment\r\n"
                                     "\r\n"
                                     "language pt-BR\r\n"
                                     "name Português\r\n"
                                     "lesson.panel.next   &Próximo >  \r\n"
                                     "lesson.two-lines\tFirst\\nsecond \\\\ third\r\n");
    EXPECT_EQ(catalogue.language(), "pt-BR");
    EXPECT_EQ(catalogue.name(), "Português");
    ASSERT_TRUE(catalogue.find("lesson.panel.next"));
    EXPECT_EQ(*catalogue.find("lesson.panel.next"), "&Próximo >");
    EXPECT_EQ(*catalogue.find("lesson.two-lines"), "First\nsecond \\ third");
    EXPECT_EQ(catalogue.entries().size(), 2U);
    EXPECT_FALSE(catalogue.find("lesson.panel"));
}

TEST(Catalogue, AFileWithAMistakeIsRefusedWithTheLineAndTheReason)
{
    const std::string head = "talbrix texts 1\nlanguage de\n";
    const struct {
        const char *name;
        std::string text;
        const char *error;
    } cases[] = {
        { "empty", "", "line 1: the file is empty: not a Talbrix texts file" },
        { "a lesson", "talbrix lesson 1\n", "line 1: not a Talbrix texts file: its first line must be 'talbrix texts 1'" },
        { "newer", "talbrix texts 2\nlanguage de\n",
            "line 1: the texts are written for a newer Talbrix (texts format 2); this one reads format 1" },
        { "twice", head + "a.b one\n\na.b two\n", "line 5: 'a.b' is given twice (first on line 3)" },
        { "capitals", head + "Lesson.Next Weiter\n",
            "line 3: 'Lesson.Next' is not a text's key (lower-case letters, digits, '-' and at least one '.')" },
        { "no dot", head + "next Weiter\n",
            "line 3: 'next' is not a text's key (lower-case letters, digits, '-' and at least one '.')" },
        { "no text", head + "a.b   \n", "line 3: 'a.b' has no text" },
        { "escape", head + "a.b C:\\temp\n",
            "line 3: a backslash begins \\n (a line break) or \\\\ (a backslash), not '\\t'" },
        { "no language", "talbrix texts 1\na.b c\n",
            "line 2: the file names no language: a line 'language TAG' belongs after the first" },
        { "bad tag", "talbrix texts 1\nlanguage de_DE.UTF-8\n",
            "line 2: 'de_DE.UTF-8' is not a language tag such as de or pt-BR" },
        { "latin-1", head + "a.b Gr\xFC\xDF" "e\n", "line 3: not a UTF-8 text file" },
    };
    for (const auto &c : cases) {
        const CatalogueReading reading = readCatalogue(c.text);
        EXPECT_FALSE(reading.catalogue) << c.name;
        EXPECT_EQ(reading.error, c.error) << c.name;
    }
}

TEST(Catalogue, PlaceholdersFillInAnyOrderAndAccessKeysAreMarkedByOneAmpersand)
{
    EXPECT_EQ(fillPlaceholders("%2 von %1, 100%", { "a", "b" }), "b von a, 100%");
    // An argument is not read again: a lesson title may hold "%1".
    EXPECT_EQ(fillPlaceholders("Lesson: %1 (%2)", { "50%1", "x" }), "Lesson: 50%1 (x)");
    EXPECT_EQ(fillPlaceholders("%1 %3", { "a" }), "a %3");
    EXPECT_EQ(placeholdersOf("%3: %1 100%"), (1U << 1) | (1U << 3));
    EXPECT_EQ(placeholdersOf("no %"), 0U);

    EXPECT_EQ(accessKeyOf("&Next >"), "n");
    EXPECT_EQ(accessKeyOf("Save && &Quit"), "q");
    EXPECT_EQ(accessKeyOf("R&&D"), "");
    EXPECT_EQ(withoutAccessKey("Save && &Quit"), "Save & Quit");
    EXPECT_EQ(withoutAccessKey("< &Zurück"), "< Zurück");
}

TEST(Catalogue, TheCheckNamesWhatATranslationLacksAddsOrGetsWrong)
{
    const Catalogue english = read("talbrix texts 1\nlanguage en\n"
                                   "lesson.panel.back < &Back\nlesson.panel.next &Next >\n"
                                   "lesson.step-heading Step %1 of %2: %3\nlesson.hint Hint: %1\n");
    const Catalogue good = read("talbrix texts 1\nlanguage de\n"
                                "lesson.panel.back < &Zurück\nlesson.panel.next &Weiter >\n"
                                "lesson.step-heading %3 (Schritt %1/%2)\nlesson.hint Hinweis: %1\n");
    EXPECT_TRUE(catalogueProblems(english, good).empty());
    const Catalogue bad = read("talbrix texts 1\nlanguage de\n"
                               "lesson.panel.back < &Weiter\nlesson.panel.next &Weiter >\n"
                               "lesson.step-heading Schritt %1: %3\nlesson.old Alt\n");
    const std::vector<std::string> expected = {
        "lesson.hint: missing (English: Hint: %1)",
        "lesson.step-heading: placeholders %1, %3, English has %1, %2, %3",
        "lesson.old: not a text Talbrix shows",
        "lesson.panel.next: access key 'w' is lesson.panel.back's too",
    };
    EXPECT_EQ(catalogueProblems(english, bad), expected);
}

TEST(LanguageChoice, TheFirstPreferenceThatShipsWinsByTagByItsLanguageOrByAnotherRegion)
{
    const std::vector<std::string> shipped = { "de", "en", "es", "pt", "zh" };
    const struct {
        const char *name;
        std::vector<std::string> preferred;
        std::vector<std::string> available;
        const char *chosen;
    } cases[] = {
        { "exact", { "es" }, shipped, "es" },
        { "region cut", { "de-AT", "en" }, shipped, "de" },
        { "script and region cut", { "zh-Hant-TW" }, shipped, "zh" },
        { "the closer script first", { "zh-Hant-TW" }, { "zh-Hans", "zh-Hant" }, "zh-Hant" },
        { "posix locale without a region", { "C.UTF-8", "es.UTF-8" }, shipped, "es" },
        { "brazilian with only pt", { "pt-BR" }, shipped, "pt" },
        { "pt with only pt-BR", { "pt" }, { "en", "pt-BR" }, "pt-BR" },
        { "exact region first", { "pt-BR" }, { "pt", "pt-BR" }, "pt-BR" },
        { "next preference", { "fr-CA", "fr", "es-MX" }, shipped, "es" },
        { "english before german", { "en-GB", "de" }, shipped, "en" },
        { "posix locale", { "de_AT.UTF-8@euro" }, shipped, "de" },
        { "case", { "DE-ch" }, shipped, "de" },
        { "C and star skipped", { "C", "*", "es" }, shipped, "es" },
        { "nothing fits", { "fr", "it" }, shipped, "" },
        { "no preferences", {}, shipped, "" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(chooseLanguage(c.preferred, c.available), c.chosen) << c.name;
}

TEST(ShippedTexts, EveryShippedLanguageHasEveryEnglishTextWithItsPlaceholders)
{
    const Catalogue *english = shippedCatalogue("en");
    ASSERT_TRUE(english);
    std::set<std::string> files;
    for (const auto &entry : std::filesystem::directory_iterator(TALBRIX_LANGUAGES_DIR)) {
        if (entry.path().extension() != ".texts")
            continue;
        // The file is the one built in: its reading and its name agree.
        const CatalogueReading reading = readCatalogue(fileText(entry.path()));
        ASSERT_TRUE(reading.catalogue) << entry.path() << ": " << reading.error;
        EXPECT_EQ(reading.catalogue->language(), entry.path().stem().string());
        files.insert(reading.catalogue->language());
        std::string problems;
        for (const std::string &problem : catalogueProblems(*english, *reading.catalogue))
            problems += "\n  " + problem;
        EXPECT_TRUE(problems.empty()) << entry.path().filename() << ":" << problems;
    }
    const std::vector<std::string> shipped = shippedLanguages();
    EXPECT_EQ(std::set<std::string>(shipped.begin(), shipped.end()), files);
    EXPECT_GE(files.size(), 3U);
}

// Every key-shaped literal of a group English has ("lesson.panel.next"),
// anywhere in the code of both editions, must be a text of English.
TEST(ShippedTexts, EveryKeyTheCodeAsksForIsAnEnglishText)
{
    const Catalogue *english = shippedCatalogue("en");
    ASSERT_TRUE(english);
    std::set<std::string> groups;
    for (const auto &[key, text] : english->entries())
        groups.insert(key.substr(0, key.find('.')));
    const std::regex literal(R"re(["']([a-z][a-z0-9-]*)\.([a-z0-9.-]+)["'])re");
    std::set<std::string> asked;
    for (const char *folder : { "session", "window", "web", "app", "tools" }) {
        for (const auto &entry : std::filesystem::directory_iterator(std::filesystem::path(TALBRIX_SOURCE_DIR) / folder)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h" && extension != ".js")
                continue;
            // Included headers ("lesson.h") are file names, not keys.
            const std::string text = std::regex_replace(fileText(entry.path()), std::regex("#include[^\n]*"), "");
            for (auto match = std::sregex_iterator(text.begin(), text.end(), literal); match != std::sregex_iterator();
                 ++match)
                if (groups.count((*match)[1].str()))
                    asked.insert((*match)[1].str() + '.' + (*match)[2].str());
        }
    }
    // The scan sees the editions' lesson chrome at all.
    for (const char *key : { "lesson.task.press", "lesson.panel.next", "lesson.dialog.not-now", "lesson.verified" })
        EXPECT_TRUE(asked.count(key)) << key << " was not found in the code";
    for (const std::string &key : asked)
        EXPECT_TRUE(english->find(key)) << key << " is asked for by the code but missing from languages/en.texts";
}

TEST(ShippedTexts, AChosenLanguageShowsInTheLessonChromeAndWhatItLacksInEnglish)
{
    const EnglishAfter restore;
    Task start;
    start.kind = Task::Kind::Start;
    Task slider;
    slider.kind = Task::Kind::SliderTo;
    slider.slider = 1;
    slider.position = 8;
    Prediction rise;
    rise.kind = Prediction::Kind::Direction;
    rise.readouts = { Readout::Text1 };
    const Verdict verdict { "p", "Text1", "up", "down", false };
    EXPECT_EQ(taskText(start), "Press Start.");
    EXPECT_EQ(taskText(slider), "Move Periph. Res. to 8.");
    EXPECT_EQ(verdictText(rise, verdict), "AOP (mmHg): you said up; it went down (not right)");

    useTexts(shippedTexts("de"));
    EXPECT_EQ(texts().language(), "de");
    EXPECT_EQ(taskText(start), "Klicken Sie auf „Start“.");
    EXPECT_EQ(taskText(slider), "Stellen Sie den Schieberegler „Periph. Res.“ auf 8.");
    EXPECT_EQ(verdictText(rise, verdict), "AOP (mmHg): vorhergesagt: Anstieg; beobachtet: Abfall (nicht richtig)");

    useTexts(Texts(read("talbrix texts 1\nlanguage fr\nlesson.task.press Cliquez sur %1.\n")));
    EXPECT_EQ(taskText(start), "Cliquez sur Start.");
    EXPECT_EQ(taskText(slider), "Move Periph. Res. to 8.");
    EXPECT_EQ(textOf("lesson.no-such-text"), "lesson.no-such-text");
    EXPECT_EQ(shippedTexts("xx").language(), "en");
}
