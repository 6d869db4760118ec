// Everything around the form in the class's language: chosen by --language
// as the program's own start chooses it, by the window's menu (remembered
// for the next start), by the environment, or by the system's languages; a
// teacher's catalogue tried from a file; the form untouched.

#include "mltesting.h"

#include "beatlog.h"
#include "beatpanel.h"
#include "catalogue.h"
#include "languagechoice.h"
#include "lessonpanel.h"
#include "runkeeper.h"
#include "runmenu.h"
#include "windowsettings.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>

using namespace mltesting;

namespace {

const talbrix::Catalogue &german()
{
    const talbrix::Catalogue *catalogue = talbrix::shippedCatalogue("de");
    if (!catalogue)
        qFatal("no German catalogue ships");
    return *catalogue;
}

// Every text of a catalogue as a whole-text pattern, what a placeholder
// holds standing for anything; and the languages' own names, which the
// Language menu shows in every language.
QList<QRegularExpression> patternsOf(const talbrix::Catalogue &catalogue)
{
    QList<QRegularExpression> patterns;
    for (const auto &[key, text] : catalogue.entries()) {
        QString pattern = QRegularExpression::escape(QString::fromStdString(text));
        pattern.replace(QRegularExpression(QStringLiteral(R"(\\%[1-9])")), QStringLiteral(".*"));
        patterns << QRegularExpression(
            QStringLiteral("\\A") + pattern + QStringLiteral("\\z"), QRegularExpression::DotMatchesEverythingOption);
    }
    for (const std::string &language : talbrix::shippedLanguages())
        patterns << QRegularExpression(QStringLiteral("\\A")
            + QRegularExpression::escape(QString::fromStdString(talbrix::shippedCatalogue(language)->name()))
            + QStringLiteral("\\z"));
    return patterns;
}

// The form's own captions, which texts around it quote or list as they stand.
QStringList formCaptions()
{
    QStringList captions;
    for (int readout = 1; readout <= talbrix::readoutCount; ++readout)
        captions << QString::fromStdString(talbrix::readoutName(static_cast<talbrix::Readout>(readout)));
    for (int slider = 1; slider <= talbrix::sliderCount; ++slider)
        captions << QString::fromStdString(talbrix::sliderName(slider));
    return captions;
}

// What a window shows that is not a text of `catalogue`: "where: text".
class TextAudit {
public:
    explicit TextAudit(const talbrix::Catalogue &catalogue)
        : m_patterns(patternsOf(catalogue))
        , m_captions(formCaptions())
    {
    }

    void check(const QString &where, const QString &text)
    {
        if (text.isEmpty() || m_captions.contains(text))
            return;
        for (const QRegularExpression &pattern : m_patterns)
            if (pattern.match(text).hasMatch())
                return;
        m_strangers << where + QStringLiteral(": ") + text;
    }

    void checkAction(const QAction &action)
    {
        if (!action.isSeparator())
            check(QStringLiteral("action ") + action.objectName(), action.text());
        if (action.menu())
            for (const QAction *entry : action.menu()->actions())
                checkAction(*entry);
    }

    void checkWidget(const QWidget &widget)
    {
        const QString where
            = QString::fromLatin1(widget.metaObject()->className()) + QLatin1Char(' ') + widget.objectName();
        if (widget.isWindow())
            check(where + QStringLiteral(" title"), widget.windowTitle());
        check(where + QStringLiteral(" accessible name"), widget.accessibleName());
        check(where + QStringLiteral(" accessible description"), widget.accessibleDescription());
        check(where + QStringLiteral(" tooltip"), widget.toolTip());
        if (const auto *label = qobject_cast<const QLabel *>(&widget))
            check(where, label->text());
        if (const auto *button = qobject_cast<const QAbstractButton *>(&widget))
            check(where, button->text());
        if (const auto *box = qobject_cast<const QGroupBox *>(&widget))
            check(where, box->title());
        if (const auto *choice = qobject_cast<const QComboBox *>(&widget))
            for (int item = 0; item < choice->count(); ++item)
                check(where + QStringLiteral(" item"), choice->itemText(item));
        if (const auto *table = qobject_cast<const QTableView *>(&widget))
            checkTable(where, *table->model());
    }

    const QStringList &strangers() const { return m_strangers; }

private:
    // The headers, and the last column where the log names the rhythm; the
    // other cells are the run's numbers.
    void checkTable(const QString &where, const QAbstractItemModel &model)
    {
        for (int column = 0; column < model.columnCount(); ++column)
            check(where + QStringLiteral(" header"), model.headerData(column, Qt::Horizontal).toString());
        const QString last = model.headerData(model.columnCount() - 1, Qt::Horizontal).toString();
        if (last == QString::fromStdString(talbrix::textOf("beats.column.rhythm")))
            for (int row = 0; row < model.rowCount(); ++row)
                check(where + QStringLiteral(" rhythm"), model.index(row, model.columnCount() - 1).data().toString());
    }

    QList<QRegularExpression> m_patterns;
    QStringList m_captions;
    QStringList m_strangers;
};

QString windowFolder()
{
    return QStringLiteral(TALBRIX_SOURCE_DIR "/window");
}

} // namespace

class LanguagesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The remembered choice goes to a folder of the test's own, and the
    // texts start in English whatever the machine's language.
    void initTestCase()
    {
        QVERIFY(m_configuration.isValid());
        qputenv("XDG_CONFIG_HOME", m_configuration.path().toLocal8Bit());
        cleanup();
    }

    void cleanup()
    {
        talbrix::useTexts(talbrix::Texts());
        qunsetenv("TALBRIX_LANGUAGE");
        talbrix::windowSettings().remove(QStringLiteral("window/language"));
    }

    void theOptionOverridesTheSystemAndLeavesTheOtherArguments()
    {
        const QStringList system { QStringLiteral("es-MX"), QStringLiteral("es") };
        QCOMPARE(talbrix::useLanguageFrom({ QStringLiteral("talbrix"), QStringLiteral("--language"),
                                              QStringLiteral("de-AT"), QStringLiteral("case.talbrix") },
                     {}, system),
            QStringList({ QStringLiteral("talbrix"), QStringLiteral("case.talbrix") }));
        QCOMPARE(talbrix::texts().language(), std::string("de"));
        talbrix::useLanguageFrom({ QStringLiteral("talbrix"), QStringLiteral("--language=xx") }, {}, system);
        QCOMPARE(talbrix::texts().language(), std::string("es"));
        qputenv("TALBRIX_LANGUAGE", "de");
        talbrix::useLanguageFrom({ QStringLiteral("talbrix") }, {}, system);
        QCOMPARE(talbrix::texts().language(), std::string("de"));
        qunsetenv("TALBRIX_LANGUAGE");
        talbrix::useLanguageFrom({ QStringLiteral("talbrix") }, {}, { QStringLiteral("fr-FR") });
        QCOMPARE(talbrix::texts().language(), std::string("en"));
    }

    void aTeachersFileIsTriedAsItStands()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("fr.texts"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("talbrix texts 1\nlanguage fr\nlesson.panel.next &Suivant >\n");
        file.close();
        talbrix::useLanguageFrom({ QStringLiteral("talbrix"), QStringLiteral("--language"), path }, {}, {});
        QCOMPARE(talbrix::texts().language(), std::string("fr"));
        QCOMPARE(talbrix::textOf("lesson.panel.next"), std::string("&Suivant >"));
        QCOMPARE(talbrix::textOf("lesson.panel.back"), std::string("< &Back"));
    }

    void theLessonPanelIsInGermanAndTheFormAsDesigned()
    {
        talbrix::useLanguageFrom(
            { QStringLiteral("talbrix"), QStringLiteral("--language"), QStringLiteral("de") }, {}, {});
        QuietWindow w;
        talbrix::RunKeeper &keeper = w.window.runKeeper();
        keeper.setMessageReporter([](const QString &message) { QFAIL(qPrintable(message)); });
        keeper.setNoticeReporter([](const QString &) { });
        keeper.setNameQuestion([](const QString &) { return QStringLiteral("Ada"); });
        QVERIFY(keeper.openScenario(QStringLiteral(TALBRIX_LESSONS_DIR "/heart-rate.lesson")));
        talbrix::LessonPanel *panel = keeper.lessonPanel();
        QVERIFY(panel && panel->hasLesson());
        QVERIFY(panel->windowTitle().startsWith(QStringLiteral("Lektion: ")));
        QVERIFY2(panel->findChild<QLabel *>(QStringLiteral("stepHeading"))->text().startsWith(QStringLiteral("Schritt 1 von ")),
            qPrintable(panel->findChild<QLabel *>(QStringLiteral("stepHeading"))->text()));
        QCOMPARE(panel->findChild<QPushButton *>(QStringLiteral("lessonNext"))->text(), QStringLiteral("&Weiter >"));
        QCOMPARE(panel->findChild<QPushButton *>(QStringLiteral("lessonBack"))->text(), QStringLiteral("< &Zurück"));
        const QString task = panel->findChild<QLabel *>(QStringLiteral("task1"))->text();
        QCOMPARE(task, QStringLiteral("\u2610 Jetzt: Klicken Sie auf \u201EStart\u201C."));
        // The form's own captions stay as designed.
        QCOMPARE(control<QPushButton>(w.window, QStringLiteral("Command1"))->text(), QStringLiteral("Start"));
        QCOMPARE(control<QLabel>(w.window, QStringLiteral("Label24"))->text(), QStringLiteral("Fibrillate"));
    }

    // The guard that nothing around the form is left out of the catalogue:
    // every command, the Language menu and every text of the Beats panel,
    // visible or told to a screen reader, is a German text (or the form's
    // own caption) once German is in use.
    void nothingAroundTheFormSpeaksAnythingButTheCatalogue()
    {
        talbrix::useTexts(talbrix::shippedTexts("de"));
        QuietWindow w;
        runTicks(w.window, 400); // beats in the log
        w.window.holdReference();
        QTest::keyClick(slider(w.window, 2), Qt::Key_Up); // a control changed since
        control<QAction>(w.window, QStringLiteral("showBeats"))->trigger();
        auto *panel = w.window.findChild<talbrix::BeatPanel *>();
        QVERIFY(panel);
        TextAudit audit(german());
        for (const QAction *action : w.window.actions())
            audit.checkAction(*action);
        audit.checkWidget(*panel);
        for (const QWidget *widget : panel->findChildren<QWidget *>())
            audit.checkWidget(*widget);
        QVERIFY2(audit.strangers().isEmpty(), qPrintable(audit.strangers().join(QLatin1Char('\n'))));

        // The audit itself tells an English text from a German one.
        TextAudit english(german());
        english.check(QStringLiteral("sample"), QStringLiteral("Save Beat &Log as Table..."));
        english.check(QStringLiteral("sample"), QStringLiteral("Beats and Reference - ML"));
        QCOMPARE(english.strangers().size(), 2);
    }

    void theCommandsPanelAndMessagesAreGerman()
    {
        talbrix::useTexts(talbrix::shippedTexts("de"));
        QuietWindow w;
        QCOMPARE(
            control<QAction>(w.window, QStringLiteral("openScenario"))->text(), QStringLiteral("Szenario ö&ffnen..."));
        QCOMPARE(control<QAction>(w.window, QStringLiteral("language"))->text(), QStringLiteral("Spr&ache"));
        control<QAction>(w.window, QStringLiteral("showBeats"))->trigger();
        auto *panel = w.window.findChild<talbrix::BeatPanel *>();
        QCOMPARE(panel->windowTitle(), QStringLiteral("Herzschläge und Referenz – ") + w.window.windowTitle());
        QCOMPARE(panel->findChild<QTableView *>(QStringLiteral("beatLog"))->accessibleName(),
            QString::fromStdString(*german().find("beats.log")));
        QCOMPARE(panel->findChild<QPushButton *>(QStringLiteral("holdReferenceButton"))->text(),
            QString::fromStdString(*german().find("menu.beats.hold")));

        QStringList messages;
        w.window.runKeeper().setMessageReporter([&messages](const QString &message) { messages << message; });
        QTemporaryDir folder;
        QVERIFY(!w.window.runKeeper().openScenario(folder.path()));
        QCOMPARE(messages,
            QStringList(QStringLiteral("\u201E%1\u201C kann nicht ge\u00F6ffnet werden.\n\nEs ist ein Ordner.")
                            .arg(QDir::toNativeSeparators(folder.path()))));
    }

    // The form of a table is told by the kind chosen in the dialog, in the
    // language of the dialog; it is offered first again after the language
    // changed.
    void theKindOfTableIsUnderstoodInEveryLanguage()
    {
        talbrix::useTexts(talbrix::shippedTexts("de"));
        QuietWindow w;
        QTemporaryDir folder;
        QStringList offered;
        QString choose = QString::fromStdString(*german().find("file.filter.decimal-comma"));
        w.window.runKeeper().setFileChooser(
            [&](const QString &, const QString &, const QString &, bool, QString &chosenFilter) {
                offered << chosenFilter;
                if (!choose.isEmpty())
                    chosenFilter = choose;
                return folder.filePath(QStringLiteral("beats.csv"));
            });
        const auto savedTable = [&] {
            control<QAction>(w.window, QStringLiteral("saveBeatLog"))->trigger();
            QFile file(folder.filePath(QStringLiteral("beats.csv")));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QVERIFY(savedTable().startsWith("\xEF\xBB\xBF")); // the decimal-comma form's mark
        control<QAction>(w.window, QStringLiteral("language-en"))->trigger();
        choose.clear();
        QVERIFY(savedTable().startsWith("\xEF\xBB\xBF"));
        QCOMPARE(offered.last(), QString::fromStdString(talbrix::textOf("file.filter.decimal-comma")));
        choose = QString::fromStdString(talbrix::textOf("file.filter.csv"));
        QVERIFY(savedTable().startsWith("beat,"));
    }

    // The shipped languages by their own names, the one in use checked;
    // choosing one relabels what is open at once.
    void theLanguageMenuRelabelsAtOnce()
    {
        QuietWindow w;
        auto *menu = w.window.findChild<talbrix::RunMenu *>()->languageMenu();
        QStringList names;
        QString checked;
        for (const QAction *choice : menu->actions()) {
            names << choice->text();
            if (choice->isChecked())
                checked = choice->text();
        }
        QCOMPARE(names,
            QStringList({ QStringLiteral("Deutsch"), QStringLiteral("English"), QStringLiteral("Espa\u00F1ol") }));
        QCOMPARE(checked, QStringLiteral("English"));

        w.window.runKeeper().setNoticeReporter([](const QString &) {});
        w.window.runKeeper().setNameQuestion([](const QString &) { return QStringLiteral("Ada"); });
        QVERIFY(w.window.runKeeper().openScenario(QStringLiteral(TALBRIX_LESSONS_DIR "/heart-rate.lesson")));
        control<QAction>(w.window, QStringLiteral("showBeats"))->trigger();
        auto *beats = w.window.findChild<talbrix::BeatPanel *>();
        talbrix::LessonPanel *lesson = w.window.runKeeper().lessonPanel();
        QCOMPARE(beats->findChild<QPushButton *>(QStringLiteral("holdReferenceButton"))->text(),
            QStringLiteral("&Hold as Reference"));

        control<QAction>(w.window, QStringLiteral("language-de"))->trigger();
        QCOMPARE(talbrix::texts().language(), std::string("de"));
        QVERIFY(control<QAction>(w.window, QStringLiteral("language-de"))->isChecked());
        QVERIFY(!control<QAction>(w.window, QStringLiteral("language-en"))->isChecked());
        QCOMPARE(control<QAction>(w.window, QStringLiteral("language"))->text(), QStringLiteral("Spr&ache"));
        QCOMPARE(menu->title(), QStringLiteral("Spr&ache"));
        QCOMPARE(control<QAction>(w.window, QStringLiteral("lessons"))->text(),
            QString::fromStdString(*german().find("menu.lessons.open")));
        QVERIFY(beats->windowTitle().startsWith(QStringLiteral("Herzschl\u00E4ge und Referenz")));
        QCOMPARE(beats->findChild<QPushButton *>(QStringLiteral("holdReferenceButton"))->text(),
            QString::fromStdString(*german().find("menu.beats.hold")));
        QCOMPARE(beats->findChild<QComboBox *>(QStringLiteral("secondTrend"))->itemText(0),
            QString::fromStdString(*german().find("beats.trend.none")));
        QVERIFY(lesson->windowTitle().startsWith(QStringLiteral("Lektion: ")));
        QVERIFY(lesson->findChild<QLabel *>(QStringLiteral("stepHeading"))
                    ->text()
                    .startsWith(QStringLiteral("Schritt 1 von ")));
        QCOMPARE(
            lesson->findChild<QPushButton *>(QStringLiteral("lessonBack"))->text(), QStringLiteral("< &Zur\u00FCck"));
        QCOMPARE(lesson->findChild<QPushButton *>(QStringLiteral("saveResultButton"))->text(),
            QString::fromStdString(*german().find("menu.lessons.save-result")));
        QCOMPARE(control<QPushButton>(w.window, QStringLiteral("Command1"))->text(), QStringLiteral("Start"));
        // A window no program started leaves the user's choice alone.
        QVERIFY(talbrix::rememberedLanguage().isEmpty());
    }

    // Precedence at start: the option, then the menu's choice, then the
    // variable, then the system.
    void theMenusChoiceIsRememberedForTheNextStartAndTheOptionStillWins()
    {
        {
            QuietWindow w;
            w.window.openFromCommandLine({ QStringLiteral("talbrix") });
            control<QAction>(w.window, QStringLiteral("language-es"))->trigger();
        }
        QCOMPARE(talbrix::rememberedLanguage(), QStringLiteral("es"));
        const QStringList program { QStringLiteral("talbrix") };
        const QStringList system { QStringLiteral("de-DE") };
        qputenv("TALBRIX_LANGUAGE", "de");
        talbrix::useLanguageFrom(program, talbrix::rememberedLanguage(), system);
        QCOMPARE(talbrix::texts().language(), std::string("es"));
        talbrix::useLanguageFrom(
            { QStringLiteral("talbrix"), QStringLiteral("--language=en") }, talbrix::rememberedLanguage(), system);
        QCOMPARE(talbrix::texts().language(), std::string("en"));
        // A remembered tag that no longer ships gives way to the next choice.
        talbrix::useLanguageFrom(program, QStringLiteral("xx"), { QStringLiteral("es") });
        QCOMPARE(talbrix::texts().language(), std::string("de"));
        qunsetenv("TALBRIX_LANGUAGE");
        talbrix::useLanguageFrom(program, {}, system);
        QCOMPARE(talbrix::texts().language(), std::string("de"));
    }

    // The window's code asks the catalogue, never Qt's translation, which
    // would pass English through untouched.
    void theWindowsCodeHasNoTextOfItsOwnToTranslate()
    {
        const QRegularExpression translated(QStringLiteral(R"((\btr|QCoreApplication::translate)\s*\()"));
        const QStringList sources = QDir(windowFolder()).entryList({ QStringLiteral("*.cpp") }, QDir::Files);
        QVERIFY(sources.contains(QStringLiteral("runkeeper.cpp")));
        for (const QString &source : sources) {
            QFile file(QDir(windowFolder()).filePath(source));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            const QRegularExpressionMatch found = translated.match(text);
            QVERIFY2(!found.hasMatch(),
                qPrintable(QStringLiteral("%1:%2 translates a text of its own")
                               .arg(source)
                               .arg(text.left(found.capturedStart()).count(QLatin1Char('\n')) + 1)));
        }
    }

private:
    QTemporaryDir m_configuration;
};

QTEST_MAIN(LanguagesTest)
#include "tst_languages.moc"
