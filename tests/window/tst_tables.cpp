// Tables for every spreadsheet: each of the window's three tables is saved in
// the standard form unless the user picks the decimal-comma kind in the save
// dialog, and in either form it is what talbrix-trace writes for the run.

#include "mltesting.h"

#include "runkeeper.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

using namespace mltesting;

namespace {

const QString standardKind = QStringLiteral("CSV tables (*.csv)");
const QString decimalCommaKind = QStringLiteral("CSV for spreadsheets with a decimal comma (*.csv)");

// A window whose save dialog answers with a path and, when told to, picks a
// kind of file; it notes the kinds offered and the one shown first.
struct TableWindow : QuietWindow {
    QTemporaryDir folder;
    QString nextPath;
    QString pick; // empty: the user keeps the kind shown first
    QString offered;
    QString shownFirst;
    QStringList messages;

    TableWindow()
    {
        window.runKeeper().setFileChooser(
            [this](const QString &, const QString &, const QString &filter, bool, QString &chosen) {
                offered = filter;
                shownFirst = chosen;
                if (!pick.isEmpty())
                    chosen = pick;
                return nextPath;
            });
        window.runKeeper().setMessageReporter([this](const QString &message) { messages << message; });
        window.runKeeper().setNoticeReporter([](const QString &) {});
    }
    QByteArray save(const char *action, const QString &kind)
    {
        pick = kind;
        nextPath = folder.filePath(QString::fromLatin1(action) + QStringLiteral(".csv"));
        QFile::remove(nextPath);
        control<QAction>(window, QString::fromLatin1(action))->trigger();
        QFile file(nextPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<not saved>");
    }
};

QByteArray runner(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TALBRIX_TRACE), arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return "<runner failed>";
    return process.readAllStandardOutput();
}

} // namespace

class TablesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void eachTableIsTheRunnersInTheChosenForm();
    void theSaveDialogOffersBothKindsTheLastPickedFirst();
};

// A run with a reference, a stiffer aorta and a typed heart rate holding a
// comma and a quote, so that every table has numbers with decimals and texts
// the decimal-comma form must leave alone. The saves go in an order that
// shows the default, a pick, the pick offered first next time and kept by
// another table, and the standard form picked back.
void TablesTest::eachTableIsTheRunnersInTheChosenForm()
{
    TableWindow kept;
    talbrix::Ml &window = kept.window;
    runTicks(window, 400);
    window.holdReference();
    slider(window, 2)->setValue(0);
    text(window, 8)->selectAll();
    QTest::keyClicks(text(window, 8), QStringLiteral("7,5 \"x\""));
    runTicks(window, 300);
    const QString scenario = kept.folder.filePath(QStringLiteral("run.talbrix"));
    QVERIFY(window.runKeeper().saveScenario(scenario));
    const auto trace = [&](const QString &table, const QString &kind) {
        QStringList arguments;
        if (kind == decimalCommaKind)
            arguments << QStringLiteral("--decimal-comma");
        if (!table.isEmpty())
            arguments << table;
        return runner(arguments << scenario);
    };
    const QString beats = QStringLiteral("--beats");
    const QString comparison = QStringLiteral("--comparison");

    struct Save {
        const char *action;
        QString table; // the runner's option for it
        QString pick;
        QString shownFirst;
        QString form;
    };
    const QList<Save> saves {
        { "saveRunAsTable", {}, {}, standardKind, standardKind },
        { "saveRunAsTable", {}, decimalCommaKind, standardKind, decimalCommaKind },
        { "saveBeatLog", beats, {}, decimalCommaKind, decimalCommaKind },
        { "saveComparison", comparison, {}, decimalCommaKind, decimalCommaKind },
        { "saveComparison", comparison, standardKind, decimalCommaKind, standardKind },
        { "saveBeatLog", beats, {}, standardKind, standardKind },
    };
    for (const Save &save : saves) {
        const QByteArray table = kept.save(save.action, save.pick);
        QCOMPARE(kept.shownFirst, save.shownFirst);
        QCOMPARE(kept.offered, standardKind + QStringLiteral(";;") + decimalCommaKind);
        QCOMPARE(table, trace(save.table, save.form));
    }
    // The two forms differ where they should: this run's tables hold decimals.
    QVERIFY(trace({}, standardKind) != trace({}, decimalCommaKind));
    QCOMPARE(kept.messages, QStringList());
}

// The window's own dialog: both kinds offered, the one picked deciding the
// form, and shown first when the dialog opens again.
void TablesTest::theSaveDialogOffersBothKindsTheLastPickedFirst()
{
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QuietWindow quiet;
    QTemporaryDir folder;
    QStringList shown;
    const auto answer = [&](const QString &kind, const QString &name) {
        QTimer::singleShot(0, [&shown, kind, path = folder.filePath(name)] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            shown << dialog->nameFilters().join(QStringLiteral(";;")) << dialog->selectedNameFilter();
            if (!kind.isEmpty())
                dialog->selectNameFilter(kind);
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept(); // as the Save button does
        });
        control<QAction>(quiet.window, QStringLiteral("saveRunAsTable"))->trigger();
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<not saved>");
    };
    runTicks(quiet.window, 50);
    const QByteArray standard = answer({}, QStringLiteral("standard.csv"));
    const QByteArray comma = answer(decimalCommaKind, QStringLiteral("comma.csv"));
    const QByteArray again = answer({}, QStringLiteral("again.csv"));
    const QString both = standardKind + QStringLiteral(";;") + decimalCommaKind;
    QCOMPARE(shown, QStringList({ both, standardKind, both, standardKind, both, decimalCommaKind }));
    QVERIFY(standard.startsWith("tick,"));
    QVERIFY(comma.startsWith("\xEF\xBB\xBFtick;"));
    QCOMPARE(again, comma);
}

QTEST_MAIN(TablesTest)
#include "tst_tables.moc"
