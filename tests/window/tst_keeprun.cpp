// Keeping a run: the window records what a user does as a scenario, saves it,
// its table and its picture, and opens scenarios by replaying them. Every
// case drives the real window; the runner's library is the reference.

#include "mltesting.h"

#include "memorywindow.h"
#include "runkeeper.h"
#include "runtimeerror.h"
#include "scenariorunner.h"
#include "tracewriter.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

using namespace mltesting;

namespace {

// One CSV row of the window as it stands, in the runner's format. What the
// tick did (its aortic y, beat and clear flags) is not kept by the window, so
// those three cells are written as 0 and blanked in the runner's rows too.
std::string windowRow(talbrix::Ml &window, std::uint64_t tick)
{
    talbrix::MemoryWindow texts;
    for (int box = 1; box <= 13; ++box)
        texts.setText(static_cast<talbrix::Readout>(box), text(window, box)->text().toStdString());
    std::string row;
    {
        talbrix::TraceWriter writer([&](std::string_view block) { row += block; });
        writer.writeRow(tick, window.state(), talbrix::TickOutcome {}, texts);
        writer.flush();
    }
    return row;
}

std::string withoutOutcome(const std::string &row)
{
    std::string kept;
    std::size_t start = 0;
    for (int column = 0; column < 24; ++column) {
        const std::size_t end = row.find(',', start) + 1;
        kept += (column == 20 || column == 22 || column == 23) ? std::string("0,") : row.substr(start, end - start);
        start = end;
    }
    return kept + row.substr(start);
}

struct Runner {
    int status;
    std::string trace;
};

Runner runFile(const QString &path)
{
    std::FILE *in = std::fopen(QFile::encodeName(path).constData(), "rb");
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    const int status = talbrix::runScenario(in, "'run'", out, err);
    std::fclose(in);
    std::rewind(out);
    std::string trace;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        trace.append(buffer, n);
    std::fclose(out);
    std::fclose(err);
    return { status, trace };
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A quiet window whose file dialogs answer with a chosen path and whose
// messages are collected.
struct KeptWindow : QuietWindow {
    QString nextPath;
    QStringList captions;
    QStringList messages;

    KeptWindow()
    {
        keeper().setFileChooser([this](const QString &caption, const QString &, const QString &, bool) {
            captions << caption;
            return nextPath;
        });
        keeper().setMessageReporter([this](const QString &message) { messages << message; });
    }
    talbrix::RunKeeper &keeper() { return window.runKeeper(); }
    void trigger(const char *action, const QString &path)
    {
        nextPath = path;
        control<QAction>(window, QString::fromLatin1(action))->trigger();
    }
};

// Everything of the window that opening a file must leave alone on failure,
// or set as a live run would on success.
struct WindowState {
    std::array<QString, 13> texts;
    std::array<int, 6> sliders {};
    bool option1 = false;
    bool option2 = false;
    std::string row;
    QImage picture;
    bool running = false;

    explicit WindowState(talbrix::Ml &window)
        : texts(mltesting::texts(window))
        , row(windowRow(window, 0))
        , picture(control<QWidget>(window, QStringLiteral("Picture1"))->grab().toImage())
        , running(control<QTimer>(window, QStringLiteral("Timer1"))->isActive())
    {
        for (int number = 1; number <= 6; ++number)
            sliders[static_cast<std::size_t>(number - 1)] = slider(window, number)->value();
        option1 = control<QRadioButton>(window, QStringLiteral("Option1"))->isChecked();
        option2 = control<QRadioButton>(window, QStringLiteral("Option2"))->isChecked();
    }
};

// Field by field, so that a failure names the field.
void compareStates(const WindowState &actual, const WindowState &expected)
{
    QCOMPARE(actual.texts, expected.texts);
    QCOMPARE(actual.sliders, expected.sliders);
    QCOMPARE(actual.option1, expected.option1);
    QCOMPARE(actual.option2, expected.option2);
    QCOMPARE(actual.row, expected.row);
    QVERIFY(actual.picture == expected.picture);
    QCOMPARE(actual.running, expected.running);
}

// The popup that `open` shows: its name and the texts of its entries. The
// popup is closed again at once, whether it runs its own event loop (our
// menu) or returns at once (a text box's edit menu).
QPair<QString, QStringList> menuOpenedBy(const std::function<void()> &open)
{
    QPair<QString, QStringList> seen;
    bool closed = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            seen.first = menu->objectName();
            for (const QAction *action : menu->actions())
                seen.second << action->text();
            menu->close();
            closed = true;
        }
    });
    closer.start(0);
    open();
    if (!QTest::qWaitFor([&] { return closed; }, 2000))
        qWarning("no popup appeared");
    return seen;
}

// A failing tick for replays: no scenario can make the model fail.
talbrix::TickOutcome failAtTickFive(talbrix::CirculationState &state, talbrix::WindowInterface &window)
{
    if (state.simTime > 0.035f)
        throw talbrix::RuntimeError(talbrix::RuntimeError::Kind::Overflow);
    return talbrix::runTick(state, window);
}

} // namespace

class KeepRunTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void scriptedRunReplaysAndSavesItsTable();
    void openingLeavesTheWindowAsALiveRun();
    void badInputLeavesTheWindowAsItWas_data();
    void badInputLeavesTheWindowAsItWas();
    void failedSaveKeepsTheExistingFile();
    void menuAndShortcuts();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString path(const QString &name) const { return m_folder->filePath(name); }
};

void KeepRunTest::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
}

// A user's session with the real controls: Start, slider keys, a fibrillation
// click, a typed heart rate, Pause, changes while paused, Start again, and a
// long stretch past the first sweep restart.
void KeepRunTest::scriptedRunReplaysAndSavesItsTable()
{
    KeptWindow kept;
    talbrix::Ml &window = kept.window;
    std::vector<std::string> rows { withoutOutcome(windowRow(window, 0)) };
    const auto tick = [&](int count) {
        for (int i = 0; i < count; ++i) {
            window.Timer1_Timer();
            rows.push_back(windowRow(window, rows.size()));
        }
    };
    QTest::mouseClick(control<QPushButton>(window, QStringLiteral("Command1")), Qt::LeftButton);
    tick(30);
    QTest::keyClick(slider(window, 3), Qt::Key_End);
    QTest::keyClick(slider(window, 2), Qt::Key_Up);
    tick(75);
    QTest::mouseClick(control<QRadioButton>(window, QStringLiteral("Option1")), Qt::LeftButton);
    tick(200);
    text(window, 8)->selectAll();
    QTest::keyClicks(text(window, 8), QStringLiteral("1 \"95\", x"));
    tick(3);
    QTest::keyClicks(text(window, 8), QStringLiteral("y"));
    tick(1);
    text(window, 8)->insert(QStringLiteral("7\r\n5")); // a paste: no line break can end the record's line
    QCOMPARE(text(window, 8)->text(), QStringLiteral("1 \"95\", xy7"));
    QTest::mouseClick(control<QPushButton>(window, QStringLiteral("Command2")), Qt::LeftButton);
    QTest::keyClick(slider(window, 1), Qt::Key_PageDown);
    QTest::mouseClick(control<QRadioButton>(window, QStringLiteral("Option2")), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(window, QStringLiteral("Command1")), Qt::LeftButton);
    tick(5000);
    QTest::mouseClick(control<QPushButton>(window, QStringLiteral("Command2")), Qt::LeftButton);
    QCOMPARE(kept.beeps, 2);

    kept.trigger("saveRunAsScenario", path(QStringLiteral("run.talbrix")));
    const Runner replayed = runFile(path(QStringLiteral("run.talbrix")));
    QCOMPARE(replayed.status, talbrix::scenarioOk);
    QStringList replayedRows = QString::fromStdString(replayed.trace).split(QLatin1Char('\n'));
    replayedRows.removeFirst(); // header
    replayedRows.removeLast(); // after the final line end
    QCOMPARE(replayedRows.size(), qsizetype(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i)
        QCOMPARE(withoutOutcome(replayedRows.at(qsizetype(i)).toStdString() + '\n'), rows[i]);

    kept.trigger("saveRunAsTable", path(QStringLiteral("run.csv")));
    QVERIFY(kept.messages.isEmpty());
    QVERIFY(contents(path(QStringLiteral("run.csv"))) == QByteArray::fromStdString(replayed.trace));
}

void KeepRunTest::openingLeavesTheWindowAsALiveRun()
{
    // Both sides of the first sweep restart. After one tick the trace shows
    // the very first point, in the plot's colour at load (later points of
    // the first few ticks cover it).
    // A plot colour scheme whose window background is not white shows where
    // that first point went.
    const QPalette original = QApplication::palette();
    QPalette tinted = original;
    tinted.setColor(QPalette::Base, QColor(255, 255, 0));
    QApplication::setPalette(tinted);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
    for (const int ticks : { 1, 5200 }) {
        KeptWindow live;
        slider(live.window, 4)->setValue(9);
        runTicks(live.window, ticks / 2);
        QTest::mouseClick(control<QRadioButton>(live.window, QStringLiteral("Option1")), Qt::LeftButton);
        runTicks(live.window, ticks - ticks / 2);
        slider(live.window, 6)->setValue(0); // after the last tick: no tick has read it yet
        const QString file = path(QStringLiteral("live%1.talbrix").arg(ticks));
        live.trigger("saveRunAsScenario", file);

        KeptWindow opened;
        runTicks(opened.window, 7); // whatever it showed before goes
        QTest::mouseClick(control<QRadioButton>(opened.window, QStringLiteral("Option2")), Qt::LeftButton);
        opened.window.Command1_Click();
        opened.trigger("openScenario", file);
        QVERIFY2(opened.messages.isEmpty(), qPrintable(opened.messages.join(QLatin1Char('\n'))));
        compareStates(WindowState(opened.window), WindowState(live.window));
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!control<QTimer>(opened.window, QStringLiteral("Timer1"))->isActive());

        // Recording goes on from the opened run.
        for (KeptWindow *kept : { &live, &opened }) {
            runTicks(kept->window, 300);
            text(kept->window, 8)->setText(QStringLiteral("66"));
            runTicks(kept->window, 2);
        }
        QCOMPARE(windowRow(opened.window, 0), windowRow(live.window, 0));
        QCOMPARE(opened.keeper().scenario(), live.keeper().scenario());
    }
}

void KeepRunTest::badInputLeavesTheWindowAsItWas_data()
{
    QTest::addColumn<QByteArray>("scenario"); // empty: the file is not there
    QTest::addColumn<bool>("failingTick");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("message");
    QTest::newRow("bad line") << QByteArray("ticks 5\n\nslider 9 1\nticks 5\n") << false << false
                              << QStringLiteral("line 3: slider number must be 1..6, got '9'");
    QTest::newRow("no such file") << QByteArray() << false << false << QStringLiteral("missing.talbrix");
    QTest::newRow("run-time error") << QByteArray("ticks 10\n") << true << false << QStringLiteral("tick 5: Overflow");
    QTest::newRow("a billion ticks, cancelled")
        << QByteArray("slider 1 0\nticks 1000000000\n") << false << true << QString();
}

void KeepRunTest::badInputLeavesTheWindowAsItWas()
{
    QFETCH(QByteArray, scenario);
    QFETCH(bool, failingTick);
    QFETCH(bool, cancel);
    QFETCH(QString, message);

    KeptWindow kept;
    kept.window.show();
    slider(kept.window, 5)->setValue(1);
    runTicks(kept.window, 120);
    text(kept.window, 8)->setText(QStringLiteral("typed"));
    kept.window.Command1_Click();
    const WindowState before(kept.window);
    const std::string record = kept.keeper().scenario();

    QString file = path(QStringLiteral("missing.talbrix"));
    if (!scenario.isEmpty()) {
        file = path(QStringLiteral("bad.talbrix"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(scenario) == scenario.size());
    }
    if (failingTick)
        kept.keeper().setReplayTick(&failAtTickFive);
    QTimer canceller;
    bool cancelled = false;
    connect(&canceller, &QTimer::timeout, [&] {
        auto *progress = kept.window.findChild<QProgressDialog *>(QStringLiteral("replayProgress"));
        if (progress && progress->isVisible()) {
            cancelled = true;
            progress->cancel();
        }
    });
    if (cancel)
        canceller.start(20);
    kept.trigger("openScenario", file);

    QCOMPARE(cancelled, cancel);
    if (message.isEmpty()) {
        QVERIFY(kept.messages.isEmpty());
    } else {
        QCOMPARE(kept.messages.size(), 1);
        QVERIFY2(kept.messages.constFirst().contains(message), qPrintable(kept.messages.constFirst()));
    }
    compareStates(WindowState(kept.window), before);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(kept.keeper().scenario(), record);
    kept.window.Command2_Click();
}

// The process may write at most a few kilobytes per file, as on a full disk:
// the table cannot be written, and the file it would replace stays as it was.
void KeepRunTest::failedSaveKeepsTheExistingFile()
{
    KeptWindow kept;
    runTicks(kept.window, 200);
    const QString table = path(QStringLiteral("kept.csv"));
    {
        QFile existing(table);
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("precious\n") == 9);
    }
    rlimit original {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &original), 0);
    rlimit small = original;
    small.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = kept.keeper().saveTable(table);
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!saved);
    QCOMPARE(kept.messages.size(), 1);
    QVERIFY(kept.messages.constFirst().startsWith(QStringLiteral("Cannot save")));
    QCOMPARE(contents(table), QByteArray("precious\n"));
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), QStringList { QStringLiteral("kept.csv") });

    // The run is still there to save once the disk has room.
    QVERIFY(kept.keeper().saveTable(table));
    QCOMPARE(contents(table).count('\n'), 202);
    QVERIFY(!kept.keeper().saveScenario(path(QStringLiteral("no/such/folder/run.talbrix"))));
    QCOMPARE(kept.messages.size(), 2);
}

void KeepRunTest::menuAndShortcuts()
{
    KeptWindow kept;
    talbrix::Ml &window = kept.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QStringList entries { QStringLiteral("Save &Picture..."), QStringLiteral("Save Run as &Table..."),
        QStringLiteral("Save Run as &Scenario..."), QStringLiteral("&Open Scenario...") };

    const auto rightClick = [](QWidget *target) {
        return menuOpenedBy([target] {
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3), target->mapToGlobal(QPoint(3, 3)));
            QApplication::sendEvent(target, &event);
        });
    };
    for (QWidget *target : { static_cast<QWidget *>(slider(window, 1)), control<QWidget>(window, "Picture1"),
             control<QWidget>(window, "Label4"), static_cast<QWidget *>(&window) })
        QCOMPARE(rightClick(target).second, entries);
    QVERIFY(rightClick(text(window, 1)).first != QStringLiteral("runMenu"));

    slider(window, 2)->setFocus();
    QCOMPARE(menuOpenedBy([&] { QTest::keyClick(slider(window, 2), Qt::Key_F10, Qt::ShiftModifier); }).second, entries);
    text(window, 8)->setFocus();
    const auto textMenu = menuOpenedBy([&] { QTest::keyClick(text(window, 8), Qt::Key_F10, Qt::ShiftModifier); });
    QVERIFY(!textMenu.second.isEmpty());
    QVERIFY(textMenu.first != QStringLiteral("runMenu"));

    kept.nextPath.clear(); // the dialogs are cancelled
    window.activateWindow(); // shortcuts act in the active window only
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(text(window, 3), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(kept.captions, (QStringList { QStringLiteral("Open Scenario"), QStringLiteral("Save Run as Scenario") }));

    runTicks(window, 10);
    kept.trigger("savePicture", path(QStringLiteral("window.png")));
    QImage picture(path(QStringLiteral("window.png")));
    QCOMPARE(picture.size(), window.size() * window.devicePixelRatio());
    QCOMPARE(picture.pixel(0, 0), window.grab().toImage().pixel(0, 0));
}

QTEST_MAIN(KeepRunTest)
#include "tst_keeprun.moc"
