// Keeping a run: the window records what a user does as a scenario, saves it,
// its table and its picture, and opens scenarios by replaying them. Every
// case drives the real window; the runner's library is the reference.

#include "mltesting.h"

#include "memorywindow.h"
#include "runkeeper.h"
#include "runtimeerror.h"
#include "linesource.h"
#include "scenario.h"
#include "tracerun.h"
#include "tracewriter.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
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
#include <sys/stat.h>

using namespace mltesting;

namespace {

// One CSV row of the window as it stands, in the runner's format. The window
// does not keep what the tick did (aortic y, beat and clear flags): those
// cells are written as 0 here and blanked in the runner's rows.
QString windowRow(talbrix::Ml &window, std::uint64_t tick)
{
    talbrix::MemoryWindow texts;
    for (int box = 1; box <= 13; ++box)
        texts.setText(static_cast<talbrix::Readout>(box), text(window, box)->text().toStdString());
    std::string row;
    talbrix::TraceWriter writer([&](std::string_view block) { row += block; });
    writer.writeRow(tick, window.state(), talbrix::TickOutcome {}, texts);
    writer.flush();
    return QString::fromStdString(row).trimmed();
}

QString withoutOutcome(QString row)
{
    QStringList cells = row.split(QLatin1Char(','));
    cells[20] = cells[22] = cells[23] = QStringLiteral("0");
    return cells.join(QLatin1Char(','));
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QByteArray runnerTrace(const QString &path)
{
    std::FILE *in = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!in)
        return "<missing>";
    talbrix::FileLines lines(in, talbrix::maxLineBytes);
    QByteArray text;
    talbrix::TraceWriter trace([&](std::string_view block) { text.append(block.data(), qsizetype(block.size())); });
    const bool done = talbrix::writeTrace(lines, trace).outcome == talbrix::TraceRun::Outcome::Done;
    std::fclose(in);
    return done ? text : QByteArray("<failed>");
}

// A quiet window whose file dialogs answer with a chosen path and whose
// messages are collected.
struct KeptWindow : QuietWindow {
    QString nextPath;
    QStringList captions;
    QStringList messages;
    QStringList notices;

    KeptWindow()
    {
        keeper().setFileChooser([this](const QString &caption, const QString &, const QString &, bool) {
            captions << caption;
            return nextPath;
        });
        keeper().setMessageReporter([this](const QString &message) { messages << message; });
        keeper().setNoticeReporter([this](const QString &notice) { notices << notice; });
    }
    talbrix::RunKeeper &keeper() { return window.runKeeper(); }
    void trigger(const char *action, const QString &path)
    {
        nextPath = path;
        control<QAction>(window, QString::fromLatin1(action))->trigger();
    }
};

// The bytes a row of the odd-files table stands for: \n \r \0 \xHH \\ and
// {C*N} for C written N times.
QByteArray decodedBytes(const QByteArray &notation)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < notation.size(); ++i) {
        const char c = notation[i];
        if (c == '{') {
            const qsizetype end = notation.indexOf('}', i);
            bytes += QByteArray(notation.mid(i + 3, end - i - 3).toInt(), notation[i + 1]);
            i = end;
        } else if (c != '\\') {
            bytes += c;
        } else {
            const char escaped = notation[++i];
            if (escaped == 'x')
                bytes += static_cast<char>(notation.mid((i += 2) - 1, 2).toInt(nullptr, 16));
            else
                bytes += escaped == 'n' ? '\n' : escaped == 'r' ? '\r' : escaped == '0' ? '\0' : escaped;
        }
    }
    return bytes;
}

// What a live run leaves in the window, and what a failed open must not touch.
QString snapshot(talbrix::Ml &window)
{
    QStringList parts { windowRow(window, 0) };
    for (int number = 1; number <= 6; ++number)
        parts << QString::number(slider(window, number)->value());
    for (const char *name : { "Option1", "Option2" })
        parts << QString::number(control<QRadioButton>(window, QString::fromLatin1(name))->isChecked());
    parts << QString::number(control<QTimer>(window, QStringLiteral("Timer1"))->isActive());
    return parts.join(QLatin1Char('|'));
}

QImage picture(talbrix::Ml &window)
{
    return control<QWidget>(window, QStringLiteral("Picture1"))->grab().toImage();
}

// The popup that `open` shows: its name and entries. It is closed at once,
// whether it runs its own event loop (ours) or returns (a text box's).
QPair<QString, QStringList> menuOpenedBy(const std::function<void()> &open)
{
    QPair<QString, QStringList> seen;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            seen.first = menu->objectName();
            for (const QAction *action : menu->actions())
                seen.second << action->text();
            menu->close();
        }
    });
    closer.start(0);
    open();
    if (!QTest::qWaitFor([&] { return !seen.second.isEmpty(); }, 2000))
        qWarning("no popup appeared");
    return seen;
}

// No scenario can make the model fail, so a failing tick is put in.
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
    void init() { QVERIFY((m_folder = std::make_unique<QTemporaryDir>())->isValid()); }
    void scriptedRunReplaysAndSavesItsTable();
    void openingLeavesTheWindowAsALiveRun();
    void oddFilesAreJudgedAsTheRunnerJudgesThem_data();
    void oddFilesAreJudgedAsTheRunnerJudgesThem();
    void badInputLeavesTheWindowAsItWas_data();
    void badInputLeavesTheWindowAsItWas();
    void failedSaveKeepsTheExistingFile();
    void closingAsksOnlyWhenTicksWouldBeLost();
    void menuAndShortcuts();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString path(const char *name) const { return m_folder->filePath(QString::fromLatin1(name)); }
};

// A user's session with the real controls: Start, slider keys, clicks on the
// options, typing into Text8 (and the same text again right after a beat
// rewrote it), Pause, changes while paused, Start again, past a sweep restart.
void KeepRunTest::scriptedRunReplaysAndSavesItsTable()
{
    KeptWindow kept;
    talbrix::Ml &window = kept.window;
    QStringList rows { windowRow(window, 0) };
    const auto tick = [&](int count) {
        for (int i = 0; i < count; ++i) {
            window.Timer1_Timer();
            rows << windowRow(window, static_cast<std::uint64_t>(rows.size()));
        }
    };
    const auto type = [&](const QString &typed) {
        text(window, 8)->selectAll();
        QTest::keyClicks(text(window, 8), typed);
    };
    QTest::mouseClick(control<QPushButton>(window, QStringLiteral("Command1")), Qt::LeftButton);
    tick(30);
    QTest::keyClick(slider(window, 3), Qt::Key_End);
    QTest::keyClick(slider(window, 2), Qt::Key_Up);
    QTest::mouseClick(control<QRadioButton>(window, QStringLiteral("Option1")), Qt::LeftButton);
    tick(200);
    type(QStringLiteral("1 \"95\", x"));
    text(window, 8)->insert(QStringLiteral("7\r\n5")); // a paste: a line break would split the record's line
    QCOMPARE(text(window, 8)->text(), QStringLiteral("1 \"95\", x7"));
    while (text(window, 8)->text().endsWith(QLatin1Char('7')))
        tick(1); // until a beat boundary writes the rate, then type the old text straight back
    type(QStringLiteral("1 \"95\", x7"));
    tick(3);
    QTest::mouseClick(control<QPushButton>(window, QStringLiteral("Command2")), Qt::LeftButton);
    QTest::keyClick(slider(window, 1), Qt::Key_PageDown);
    QTest::mouseClick(control<QRadioButton>(window, QStringLiteral("Option2")), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(window, QStringLiteral("Command1")), Qt::LeftButton);
    tick(5000);
    QCOMPARE(kept.beeps, 2);

    kept.trigger("saveRunAsScenario", path("run.talbrix"));
    const QByteArray trace = runnerTrace(path("run.talbrix"));
    QStringList replayed = QString::fromUtf8(trace).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    replayed.removeFirst(); // the header
    QCOMPARE(replayed.size(), rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        QCOMPARE(withoutOutcome(replayed.at(i)), rows.at(i));

    kept.trigger("saveRunAsTable", path("run.csv"));
    QVERIFY(kept.messages.isEmpty());
    QVERIFY(contents(path("run.csv")) == trace);
}

void KeepRunTest::openingLeavesTheWindowAsALiveRun()
{
    // A scheme whose window background is not white shows the very first
    // point, drawn in the plot's colour at load and visible after one tick.
    const QPalette original = QApplication::palette();
    QPalette tinted = original;
    tinted.setColor(QPalette::Base, QColor(255, 255, 0));
    QApplication::setPalette(tinted);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
    for (const int ticks : { 1, 5200 }) { // before and after the first sweep restart
        KeptWindow live;
        slider(live.window, 4)->setValue(9);
        runTicks(live.window, ticks / 2);
        QTest::mouseClick(control<QRadioButton>(live.window, QStringLiteral("Option1")), Qt::LeftButton);
        runTicks(live.window, ticks - ticks / 2);
        slider(live.window, 6)->setValue(0); // set while stopped: no tick has read it yet
        live.trigger("saveRunAsScenario", path("live.talbrix"));

        KeptWindow opened;
        runTicks(opened.window, 7); // whatever it showed before goes
        QTest::mouseClick(control<QRadioButton>(opened.window, QStringLiteral("Option2")), Qt::LeftButton);
        opened.window.Command1_Click();
        opened.trigger("openScenario", path("live.talbrix"));
        QCOMPARE(opened.messages, QStringList());
        QCOMPARE(snapshot(opened.window), snapshot(live.window)); // the timer stopped in both
        QVERIFY(picture(opened.window) == picture(live.window));

        for (KeptWindow *kept : { &live, &opened }) { // recording goes on from the opened run
            runTicks(kept->window, 300);
            text(kept->window, 8)->setText(QStringLiteral("66"));
            runTicks(kept->window, 2);
        }
        QCOMPARE(opened.keeper().scenario(), live.keeper().scenario());
    }
}

// One table of odd files for the runner, the window and the page: each is
// accepted or refused by all three, in the runner's words.
void KeepRunTest::oddFilesAreJudgedAsTheRunnerJudgesThem_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("verdict");
    QFile table(QStringLiteral(TALBRIX_ODD_FILES));
    QVERIFY(table.open(QIODevice::ReadOnly));
    while (!table.atEnd()) {
        const QByteArray line = table.readLine().chopped(1);
        const QList<QByteArray> cells = line.split('\t');
        if (line.startsWith('#') || cells.size() != 3)
            continue;
        QTest::newRow(cells[0].constData()) << decodedBytes(cells[1]) << QString::fromUtf8(cells[2]);
    }
}

void KeepRunTest::oddFilesAreJudgedAsTheRunnerJudgesThem()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, verdict);
    QFile file(path("odd.talbrix"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    const bool opens = verdict == QStringLiteral("opens");

    QProcess runner;
    runner.start(QStringLiteral(TALBRIX_TRACE), { file.fileName() });
    QVERIFY(runner.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(runner.readAllStandardError()).trimmed(), opens ? QString() : verdict);
    QCOMPARE(runner.exitCode(), opens ? 0 : 2);
    const qsizetype rows = runner.readAllStandardOutput().count('\n') - 2; // the header and the load row

    KeptWindow kept;
    kept.trigger("openScenario", file.fileName());
    if (opens) {
        QCOMPARE(kept.messages, QStringList());
        QCOMPARE(kept.notices, QStringList(QStringLiteral("Opened \"odd.talbrix\": %1 ticks replayed.").arg(rows)));
        QCOMPARE(kept.window.ticks(), static_cast<std::uint64_t>(rows));
    } else {
        QCOMPARE(kept.messages.size(), 1);
        QVERIFY2(kept.messages.constFirst().endsWith(QStringLiteral("\n\n") + verdict), qPrintable(kept.messages[0]));
        QCOMPARE(kept.window.ticks(), std::uint64_t { 0 });
    }
}

void KeepRunTest::badInputLeavesTheWindowAsItWas_data()
{
    QTest::addColumn<QByteArray>("scenario"); // empty: the file is not there
    QTest::addColumn<bool>("failingTick");
    QTest::addColumn<QString>("message"); // empty: the user cancels
    QTest::addColumn<QString>("special"); // a FIFO or a device opened instead of bad.talbrix
    QTest::newRow("a FIFO") << QByteArray() << false << QStringLiteral("It is not a regular file")
                            << QStringLiteral("fifo");
    QTest::newRow("a device") << QByteArray() << false << QStringLiteral("It is not a regular file")
                              << QStringLiteral("/dev/zero");
    QTest::newRow("bad line") << QByteArray("ticks 5\n\nslider 9 1\n") << false
                              << QStringLiteral("line 3: slider number must be 1..6, got '9'") << QString();
    QTest::newRow("no such file") << QByteArray() << false << QStringLiteral("bad.talbrix") << QString();
    QTest::newRow("run-time error") << QByteArray("ticks 10\n") << true << QStringLiteral("tick 5: Overflow")
                                    << QString();
    QTest::newRow("a billion ticks, cancelled") << QByteArray("slider 1 0\nticks 1000000000\n") << false << QString()
                                                << QString();
}

void KeepRunTest::badInputLeavesTheWindowAsItWas()
{
    QFETCH(QByteArray, scenario);
    QFETCH(bool, failingTick);
    QFETCH(QString, message);
    QFETCH(QString, special);

    KeptWindow kept;
    kept.window.show();
    slider(kept.window, 5)->setValue(1);
    runTicks(kept.window, 120);
    text(kept.window, 8)->setText(QStringLiteral("typed"));
    kept.window.Command1_Click();
    const QString before = snapshot(kept.window);
    const QImage pictureBefore = picture(kept.window);
    const std::string record = kept.keeper().scenario();

    QFile file(path("bad.talbrix"));
    QVERIFY(scenario.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(scenario) == scenario.size()));
    file.close();
    if (failingTick)
        kept.keeper().setReplayTick(&failAtTickFive);
    bool cancelled = false;
    QTimer canceller; // presses Cancel once the progress dialog shows
    connect(&canceller, &QTimer::timeout, [&] {
        auto *progress = kept.window.findChild<QProgressDialog *>(QStringLiteral("replayProgress"));
        if (progress && progress->isVisible())
            cancelled = (progress->cancel(), true);
    });
    canceller.start(20);
    QString opened = file.fileName();
    if (special == QStringLiteral("fifo")) // with no writer: opening it would wait for ever
        QCOMPARE(mkfifo(QFile::encodeName(opened = path("pipe.talbrix")).constData(), 0600), 0);
    else if (!special.isEmpty())
        opened = special;
    kept.trigger("openScenario", opened);

    QCOMPARE(cancelled, message.isEmpty());
    QCOMPARE(kept.messages.size(), message.isEmpty() ? 0 : 1);
    QVERIFY(message.isEmpty() || kept.messages.constFirst().contains(message));
    QCOMPARE(snapshot(kept.window), before); // the timer runs again, too
    QVERIFY(picture(kept.window) == pictureBefore);
    QCOMPARE(kept.keeper().scenario(), record);
    kept.window.Command2_Click();
}

// At most 4 KB per file, as on a full disk (a denied folder would not stop
// root): the table cannot be written and the file it would replace stays.
void KeepRunTest::failedSaveKeepsTheExistingFile()
{
    KeptWindow kept;
    runTicks(kept.window, 200);
    QFile existing(path("kept.csv"));
    QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("precious\n") == 9);
    existing.close();
    rlimit original {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &original), 0);
    rlimit small = original;
    small.rlim_cur = 4096;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = kept.keeper().saveTable(existing.fileName());
    setrlimit(RLIMIT_FSIZE, &original);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!saved);
    QCOMPARE(kept.messages.size(), 1);
    QCOMPARE(contents(existing.fileName()), QByteArray("precious\n"));
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files), QStringList { QStringLiteral("kept.csv") });
    QVERIFY(kept.keeper().saveTable(existing.fileName())); // the run is still there to save
    QCOMPARE(contents(existing.fileName()).count('\n'), 202);
}

void KeepRunTest::closingAsksOnlyWhenTicksWouldBeLost()
{
    KeptWindow kept;
    int asked = 0;
    int answer = QMessageBox::Cancel;
    kept.keeper().setSaveQuestion([&] { return ++asked, answer; });
    talbrix::Ml &window = kept.window;
    window.show();
    QVERIFY(window.close()); // a window that never ran loses nothing
    QCOMPARE(asked, 0);

    window.show();
    runTicks(window, 30);
    QVERIFY(!window.close());
    QCOMPARE(asked, 1);
    QVERIFY(window.isVisible());

    answer = QMessageBox::Save; // and the file dialog names a file
    kept.nextPath = path("kept.talbrix");
    QVERIFY(window.close());
    QCOMPARE(asked, 2);
    QCOMPARE(runnerTrace(path("kept.talbrix")).count('\n'), 32);

    window.show(); // saved and unchanged since: nothing to ask
    QVERIFY(window.close());
    QCOMPARE(asked, 2);
    window.show();
    runTicks(window, 1);
    answer = QMessageBox::Discard;
    QVERIFY(window.close());
    QCOMPARE(asked, 3);

    // Saving onto a FIFO or a device would replace it with a plain file.
    const QString fifo = path("pipe.png");
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const char *action : { "savePicture", "saveRunAsScenario", "saveRunAsTable" })
        kept.trigger(action, fifo);
    QCOMPARE(kept.messages.size(), 3);
    QVERIFY(kept.messages.constFirst().contains(QStringLiteral("It is not a regular file")));
    QVERIFY(!QFileInfo(fifo).isFile() && QFileInfo(fifo).exists());
}

void KeepRunTest::menuAndShortcuts()
{
    KeptWindow kept;
    talbrix::Ml &window = kept.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QStringList entries { QStringLiteral("Save &Picture..."), QStringLiteral("Save Run as &Table..."),
        QStringLiteral("Save Run as &Scenario..."), QStringLiteral("&Open Scenario..."),
        QStringLiteral("Open Lin&k..."), QString(), QStringLiteral("&Beats and Reference..."),
        QStringLiteral("&Hold as Reference"), QStringLiteral("&Clear Reference"),
        QStringLiteral("Save Beat &Log as Table..."), QStringLiteral("Save Co&mparison as Table..."), QString(),
        QStringLiteral("L&essons..."), QStringLiteral("Save &Result..."), QString(), QStringLiteral("Zoom &In"),
        QStringLiteral("Zoom &Out"), QStringLiteral("&Actual Size"), QStringLiteral("&Language") };
    const auto rightClick = [](QWidget *target) {
        return menuOpenedBy([target] {
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(3, 3), target->mapToGlobal(QPoint(3, 3)));
            QApplication::sendEvent(target, &event);
        });
    };
    for (const char *name : { "Slider1", "Picture1", "Label4" })
        QCOMPARE(rightClick(control<QWidget>(window, QString::fromLatin1(name))).second, entries);
    QCOMPARE(rightClick(&window).second, entries);
    QVERIFY(rightClick(text(window, 1)).first != QStringLiteral("runMenu")); // its own edit menu

    const auto shiftF10 = [](QWidget *target) {
        target->setFocus();
        return menuOpenedBy([target] { QTest::keyClick(target, Qt::Key_F10, Qt::ShiftModifier); });
    };
    QCOMPARE(shiftF10(slider(window, 2)).second, entries);
    QVERIFY(shiftF10(text(window, 8)).first != QStringLiteral("runMenu"));

    window.activateWindow(); // shortcuts act in the active window only
    QVERIFY(QTest::qWaitForWindowActive(&window));
    kept.nextPath.clear(); // the dialogs are cancelled
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(text(window, 3), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(kept.captions, (QStringList { QStringLiteral("Open Scenario"), QStringLiteral("Save Run as Scenario") }));

    kept.trigger("savePicture", path("window.png"));
    const QImage saved(path("window.png"));
    QCOMPARE(saved.size(), window.size() * window.devicePixelRatio());
    QCOMPARE(saved.pixel(400, 300), window.grab().toImage().pixel(400, 300));
}

QTEST_MAIN(KeepRunTest)
#include "tst_keeprun.moc"
