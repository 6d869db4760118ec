// A run-time error inside a tick (none arises with the controls' ranges) is
// reported by name, stops the timer and ends the program with status 1.

#include "mltesting.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTimer>

using namespace mltesting;

class RunTimeErrorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void overflowIsReportedAndEndsTheProgram();
};

// 200 s of simulated time puts the sweep's x at 40002 twips, beyond a 16-bit
// plot coordinate: an overflow no slider can cause.
void RunTimeErrorTest::overflowIsReportedAndEndsTheProgram()
{
    QuietWindow quiet;
    talbrix::Ml &window = quiet.window;
    auto *timer = control<QTimer>(window, QStringLiteral("Timer1"));
    window.Command1_Click();
    QVERIFY(timer->isActive());
    window.state().simTime = 200.0f;
    window.state().beatStart = 200.0f;

    // Firings counted after the window's own handler has run; the failing
    // firing must be the last one.
    QSignalSpy firings(timer, &QTimer::timeout);
    qsizetype failingFiring = -1;
    window.setErrorReporter([&](const QString &name) {
        quiet.errors << name;
        failingFiring = firings.count() + 1;
    });
    // The error comes from the running timer inside the event loop, as it
    // would in the program; exec() must come back with the failure status.
    QTimer::singleShot(3000, [] { QCoreApplication::exit(99); }); // a hang guard only
    const int status = QCoreApplication::exec();

    QCOMPARE(status, 1);
    QCOMPARE(quiet.errors, QStringList { QStringLiteral("Overflow") });
    QVERIFY(!timer->isActive());
    QCOMPARE(firings.count(), failingFiring);
}

QTEST_MAIN(RunTimeErrorTest)
#include "tst_runtimeerror.moc"
