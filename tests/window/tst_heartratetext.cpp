// Text8 stays editable, and the cardiac output follows whatever it holds:
// a typed rate at the very next tick, until the next beat boundary writes the
// model's own rate back.

#include "mltesting.h"

#include "numbertext.h"

#include <cmath>

using namespace mltesting;

class HeartRateTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void typedRateDrivesTheCardiacOutput();
    void textThatIsNoNumberGivesNoOutput();

private:
    static void type(talbrix::Ml &window, const QString &typed)
    {
        QLineEdit *box = text(window, 8);
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, typed);
    }
    static QString cardiacOutput(float strokeVolume, double rate)
    {
        return QString::fromStdString(
            talbrix::toText(talbrix::Number::dbl(std::floor(static_cast<double>(strokeVolume) * rate)),
                talbrix::TextForm::format("#####.##")));
    }
};

void HeartRateTextTest::typedRateDrivesTheCardiacOutput()
{
    talbrix::Ml window;
    runTicks(window, 700); // well past the beats that still eject nothing
    const float strokeVolume = window.state().strokeVolume;
    QVERIFY(strokeVolume > 40.0f);
    QCOMPARE(text(window, 5)->text(), cardiacOutput(strokeVolume, 80));

    type(window, QStringLiteral("100"));
    QCOMPARE(text(window, 8)->text(), QStringLiteral("100"));
    runTicks(window, 1);
    QCOMPARE(text(window, 5)->text(), cardiacOutput(strokeVolume, 100));

    // The next boundary puts the model's rate back, and the output with it.
    const float beatStart = window.state().beatStart;
    while (window.state().beatStart == beatStart)
        runTicks(window, 1);
    QCOMPARE(text(window, 8)->text(), QStringLiteral("80"));
    runTicks(window, 1);
    QCOMPARE(text(window, 5)->text(), cardiacOutput(window.state().strokeVolume, 80));
}

void HeartRateTextTest::textThatIsNoNumberGivesNoOutput()
{
    talbrix::Ml window;
    runTicks(window, 700);
    type(window, QStringLiteral("fast"));
    runTicks(window, 1);
    QCOMPARE(text(window, 5)->text(), QStringLiteral("."));
    type(window, QStringLiteral(" 6 0x"));
    runTicks(window, 1);
    QCOMPARE(text(window, 5)->text(), cardiacOutput(window.state().strokeVolume, 60));
}

QTEST_MAIN(HeartRateTextTest)
#include "tst_heartratetext.moc"
