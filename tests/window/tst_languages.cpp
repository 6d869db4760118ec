// The lesson panel in the class's language: chosen by --language as the
// program's own start chooses it, by the environment, or by the system's
// languages; a teacher's catalogue tried from a file; the form untouched.

#include "mltesting.h"

#include "catalogue.h"
#include "languagechoice.h"
#include "lessonpanel.h"
#include "runkeeper.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

using namespace mltesting;

class LanguagesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        talbrix::useTexts(talbrix::Texts());
        qunsetenv("TALBRIX_LANGUAGE");
    }

    void theOptionOverridesTheSystemAndLeavesTheOtherArguments()
    {
        const QStringList system { QStringLiteral("es-MX"), QStringLiteral("es") };
        QCOMPARE(talbrix::useLanguageFrom({ QStringLiteral("talbrix"), QStringLiteral("--language"), QStringLiteral("de-AT"),
                                              QStringLiteral("case.talbrix") },
                     system),
            QStringList({ QStringLiteral("talbrix"), QStringLiteral("case.talbrix") }));
        QCOMPARE(talbrix::texts().language(), std::string("de"));
        talbrix::useLanguageFrom({ QStringLiteral("talbrix"), QStringLiteral("--language=xx") }, system);
        QCOMPARE(talbrix::texts().language(), std::string("es"));
        qputenv("TALBRIX_LANGUAGE", "de");
        talbrix::useLanguageFrom({ QStringLiteral("talbrix") }, system);
        QCOMPARE(talbrix::texts().language(), std::string("de"));
        qunsetenv("TALBRIX_LANGUAGE");
        talbrix::useLanguageFrom({ QStringLiteral("talbrix") }, { QStringLiteral("fr-FR") });
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
        talbrix::useLanguageFrom({ QStringLiteral("talbrix"), QStringLiteral("--language"), path }, {});
        QCOMPARE(talbrix::texts().language(), std::string("fr"));
        QCOMPARE(talbrix::textOf("lesson.panel.next"), std::string("&Suivant >"));
        QCOMPARE(talbrix::textOf("lesson.panel.back"), std::string("< &Back"));
    }

    void theLessonPanelIsInGermanAndTheFormAsDesigned()
    {
        talbrix::useLanguageFrom({ QStringLiteral("talbrix"), QStringLiteral("--language"), QStringLiteral("de") }, {});
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
};

QTEST_MAIN(LanguagesTest)
#include "tst_languages.moc"
