// Open Link...: a case handed out as a link to the page opens in the window
// exactly as its file would, and a link that cannot be read changes nothing.

#include "mltesting.h"

#include "caselink.h"
#include "lessonpanel.h"
#include "runkeeper.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>

using namespace mltesting;

namespace {

// A window whose questions are answered by the test.
struct LinkWindow : QuietWindow {
    QStringList messages;
    QString link; // what the user pastes into Open Link...

    LinkWindow()
    {
        talbrix::RunKeeper &keeper = window.runKeeper();
        keeper.setMessageReporter([this](const QString &message) { messages << message; });
        keeper.setNoticeReporter([](const QString &) { });
        keeper.setLinkQuestion([this] { return link; });
        keeper.setNameQuestion([](const QString &) { return QStringLiteral("Ana"); });
        keeper.setSaveQuestion([] { return int(QMessageBox::Discard); });
        keeper.setAnswersQuestion([] { return int(QMessageBox::Discard); });
    }
    void openLink(const QString &pasted)
    {
        link = pasted;
        control<QAction>(window, QStringLiteral("openLink"))->trigger();
    }
};

QString linkTo(const std::string &text)
{
    return QString::fromStdString(talbrix::caseLink("file:///home/teacher/talbrix.html", text));
}

} // namespace

class LinkTest : public QObject {
    Q_OBJECT

private slots:
    void aLinkOpensTheRunAsItWas()
    {
        LinkWindow made;
        slider(made.window, 1)->setValue(9);
        runTicks(made.window, 700);
        control<QWidget>(made.window, QStringLiteral("Option2"))->setProperty("checked", true);
        runTicks(made.window, 300);
        slider(made.window, 3)->setValue(2);
        runTicks(made.window, 150);

        LinkWindow opened;
        runTicks(opened.window, 40); // a run of its own, which the link replaces
        // As it arrives in a mail: broken over lines.
        QString pasted = linkTo(made.window.runKeeper().scenario());
        pasted.insert(pasted.size() / 2, QStringLiteral("\n  "));
        opened.openLink(pasted);
        QCOMPARE(opened.messages, QStringList());
        QCOMPARE(texts(opened.window), texts(made.window));
        QCOMPARE(plotImage(opened.window), plotImage(made.window));
        for (int number = 1; number <= 6; ++number)
            QCOMPARE(slider(opened.window, number)->value(), slider(made.window, number)->value());
        // The run goes on from there as the original does.
        runTicks(made.window, 200);
        runTicks(opened.window, 200);
        QCOMPARE(texts(opened.window), texts(made.window));
    }

    void aLinkThatCannotBeReadChangesNothing()
    {
        LinkWindow window;
        runTicks(window.window, 120);
        const auto before = texts(window.window);
        const QImage plot = plotImage(window.window);
        const QString link = linkTo("slider 1 10\nticks 500\n");
        window.openLink(link.left(link.size() - 3));
        window.openLink(QStringLiteral("https://school.example/talbrix.html"));
        std::string newer = talbrix::caseLink("talbrix.html", "ticks 5\n");
        newer.replace(newer.find("case=1"), 6, "case=2");
        window.openLink(QString::fromStdString(newer));
        window.openLink(linkTo("slider 9 3\n"));
        QCOMPARE(window.messages.size(), 4);
        QVERIFY(window.messages[0].startsWith(QStringLiteral("Cannot open the link.\n\nThis link is damaged")));
        QVERIFY(window.messages[1].contains(QStringLiteral("This is not a Talbrix link")));
        QVERIFY(window.messages[2].contains(QStringLiteral("a newer version of Talbrix (link version 2)")));
        QVERIFY(window.messages[3].contains(QStringLiteral("line 1: ")));
        QCOMPARE(texts(window.window), before);
        QCOMPARE(plotImage(window.window), plot);
        // Cancel asks nothing more and does nothing.
        window.openLink(QString());
        QCOMPARE(window.messages.size(), 4);
    }

    void aLessonTravelsByLinkToo()
    {
        LinkWindow window;
        window.openLink(linkTo(talbrix::RunKeeper::shippedLesson(QStringLiteral("heart-rate.lesson"))));
        QCOMPARE(window.messages, QStringList());
        talbrix::LessonPanel *panel = window.window.runKeeper().lessonPanel();
        QVERIFY(panel && panel->hasLesson());
        QVERIFY(panel->isVisible());
    }
};

QTEST_MAIN(LinkTest)
#include "tst_links.moc"
