// The beat log and the reference beside the form: a student holds the run
// as a reference, changes a setting, waits for the steady mark and reads the
// comparison; the window shows what talbrix-trace gives for the saved run.

#include "mltesting.h"

#include "beatlog.h"
#include "linesource.h"
#include "reference.h"
#include "runkeeper.h"
#include "tracerun.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace mltesting;

namespace {

struct PanelWindow : QuietWindow {
    QTemporaryDir folder;
    QString nextPath;
    QStringList messages;

    PanelWindow()
    {
        window.runKeeper().setFileChooser([this](const QString &, const QString &, const QString &, bool) {
            return nextPath;
        });
        window.runKeeper().setMessageReporter([this](const QString &message) { messages << message; });
        window.runKeeper().setNoticeReporter([](const QString &) { });
    }
    void trigger(const char *action, const QString &path = {})
    {
        nextPath = path;
        control<QAction>(window, QString::fromLatin1(action))->trigger();
    }
    QString path(const char *name) const { return folder.filePath(QString::fromLatin1(name)); }
    QWidget *panel() { return window.findChild<QWidget *>(QStringLiteral("beatPanel")); }
};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// What talbrix-trace prints for a scenario with the runner's table writer:
// tableOf(talbrix::writeComparisonTable, ...) for --comparison and
// tableOf(talbrix::writeBeatTable, ...) for --beats.
template <typename Writer>
std::string tableOf(talbrix::TraceRun (*write)(talbrix::LineSource &, Writer &), const std::string &scenario)
{
    std::string table;
    Writer writer([&table](std::string_view block) { table += block; });
    talbrix::TextLines lines(scenario);
    write(lines, writer);
    return table;
}

// The comparison as the panel shows it, a row of cells per readout.
QStringList shownComparison(QWidget *panel)
{
    auto *table = panel->findChild<QTableWidget *>(QStringLiteral("comparison"));
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// The same rows from the saved table: readout, unit, reference, now,
// difference, percent, without the quotes.
QStringList tableComparison(const std::string &table)
{
    QStringList rows = QString::fromStdString(table).split(QLatin1Char('\n'));
    rows = rows.mid(1, talbrix::readoutCount);
    for (QString &row : rows)
        row = row.remove(QLatin1Char('"')).replace(QLatin1Char(','), QLatin1Char('|'));
    return rows;
}

} // namespace

class BeatsTest : public QObject {
    Q_OBJECT

private slots:
    void aStudentComparesAStifferAortaWithTheReference();
    void theReferenceSweepStaysBeneathTheTraceAndGoesWhenCleared();
    void aSavedRunReopensWithItsReference();
    void theLogFollowsNewBeatsOnlyFromItsEnd();
};

void BeatsTest::aStudentComparesAStifferAortaWithTheReference()
{
    PanelWindow kept;
    kept.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&kept.window));
    QTest::keyClick(&kept.window, Qt::Key_B, Qt::ControlModifier); // the panel
    QWidget *panel = kept.panel();
    QVERIFY(panel && panel->isVisible());
    auto *steady = panel->findChild<QLabel *>(QStringLiteral("steadyMark"));
    runTicks(kept.window, 1000);
    QCOMPARE(steady->text(), QStringLiteral("Steady from beat 5"));
    kept.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&kept.window));
    QTest::keyClick(&kept.window, Qt::Key_R, Qt::ControlModifier); // Hold as Reference
    QVERIFY(kept.window.run().reference());
    slider(kept.window, 2)->setValue(0); // a stiffer aorta
    runTicks(kept.window, 100);
    QCOMPARE(steady->text(), QStringLiteral("Not steady yet"));
    int waited = 0;
    while (steady->text() == QStringLiteral("Not steady yet") && waited < 3000)
        runTicks(kept.window, 10), waited += 10;
    QVERIFY(steady->text().startsWith(QStringLiteral("Steady from beat ")));

    const std::string scenario = kept.window.scenario();
    const std::string expected = tableOf(talbrix::writeComparisonTable, scenario);
    QCOMPARE(shownComparison(panel), tableComparison(expected));
    QCOMPARE(panel->findChild<QLabel *>(QStringLiteral("changedControls"))->text(),
        QStringLiteral("Changed: Slider2 Aortic Compl. 3 -> 0"));
    kept.trigger("saveComparison", kept.path("comparison.csv"));
    QCOMPARE(contents(kept.path("comparison.csv")), QByteArray::fromStdString(expected));
    kept.trigger("saveBeatLog", kept.path("beats.csv"));
    const std::string beats = tableOf(talbrix::writeBeatTable, scenario);
    QCOMPARE(contents(kept.path("beats.csv")), QByteArray::fromStdString(beats));
    // The trend offers every readout and draws the two chosen, stroke volume
    // in black and aortic pressure in blue.
    QCOMPARE(panel->findChild<QComboBox *>(QStringLiteral("firstTrend"))->count(), talbrix::readoutCount);
    QCOMPARE(panel->findChild<QComboBox *>(QStringLiteral("secondTrend"))->count(), talbrix::readoutCount + 1);
    const QImage trend = panel->findChild<QWidget *>(QStringLiteral("trend"))->grab().toImage();
    int black = 0, blue = 0;
    for (int y = 20; y < trend.height(); ++y) // below the ranges written at the top
        for (int x = 0; x < trend.width(); ++x)
            black += trend.pixel(x, y) == qRgb(0, 0, 0), blue += trend.pixel(x, y) == qRgb(0, 0, 255);
    QVERIFY(black > 50 && blue > 50);
    auto *log = panel->findChild<QTableView *>(QStringLiteral("beatLog"));
    QCOMPARE(static_cast<std::uint64_t>(log->model()->rowCount()), kept.window.run().beatLog().beats());
    // The columns are the saved table's, the rhythm last.
    const QStringList header = QString::fromStdString(beats).section(QLatin1Char('\n'), 0, 0).split(QLatin1Char(','));
    QCOMPARE(log->model()->columnCount(), header.size());
    const int last = log->model()->columnCount() - 1;
    QCOMPARE(log->model()->headerData(last, Qt::Horizontal).toString(), header.last());
    QCOMPARE(log->model()->index(0, last).data().toString(), QStringLiteral("beating"));
    QCOMPARE(kept.messages, QStringList());
}

void BeatsTest::theReferenceSweepStaysBeneathTheTraceAndGoesWhenCleared()
{
    PanelWindow held, plain;
    for (PanelWindow *kept : { &held, &plain }) {
        kept->window.show();
        runTicks(kept->window, 3000);
    }
    held.trigger("holdReference");
    const std::vector<talbrix::SweepPoint> sweep = held.window.run().reference()->sweep;
    for (PanelWindow *kept : { &held, &plain })
        runTicks(kept->window, 2000); // past the sweep's restart near tick 4,800
    const QImage live = plotImage(plain.window);
    const QImage withReference = plotImage(held.window);
    int ghosts = 0;
    for (const talbrix::SweepPoint &point : sweep) {
        const auto pixel = talbrix::form::plotPixel(point.x, point.venousY);
        if (!pixel || plotPixel(live, pixel->column, pixel->row) != qRgb(255, 255, 255))
            continue; // under a live point or a grid line
        QCOMPARE(plotPixel(withReference, pixel->column, pixel->row) & 0xFFFFFF, talbrix::referenceVenousRgb);
        ++ghosts;
    }
    QVERIFY(ghosts > 100);
    held.trigger("clearReference");
    QVERIFY(plotImage(held.window) == plotImage(plain.window));
}

void BeatsTest::aSavedRunReopensWithItsReference()
{
    PanelWindow made, opened;
    runTicks(made.window, 700);
    made.trigger("holdReference");
    slider(made.window, 1)->setValue(8);
    runTicks(made.window, 900);
    made.trigger("saveRunAsScenario", made.path("case.talbrix"));
    opened.trigger("openScenario", made.path("case.talbrix"));
    QVERIFY(opened.window.run().reference());
    QCOMPARE(*opened.window.run().reference(), *made.window.run().reference());
    QVERIFY(plotImage(opened.window) == plotImage(made.window));
    QVERIFY(control<QAction>(opened.window, QStringLiteral("clearReference"))->isEnabled());
    opened.trigger("showBeats");
    QCOMPARE(shownComparison(opened.panel()),
        tableComparison(tableOf(talbrix::writeComparisonTable, made.window.scenario())));
}

// A student reading an earlier beat is not pulled away by the next one.
void BeatsTest::theLogFollowsNewBeatsOnlyFromItsEnd()
{
    PanelWindow kept;
    kept.trigger("showBeats");
    auto *log = kept.panel()->findChild<QTableView *>(QStringLiteral("beatLog"));
    QScrollBar *bar = log->verticalScrollBar();
    runTicks(kept.window, 3000);
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    bar->setValue(0);
    runTicks(kept.window, 300);
    QCOMPARE(bar->value(), 0);
    bar->setValue(bar->maximum());
    runTicks(kept.window, 300);
    QCOMPARE(bar->value(), bar->maximum());
}

QTEST_MAIN(BeatsTest)
#include "tst_beats.moc"
