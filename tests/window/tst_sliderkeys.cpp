// Sliders driven from the keyboard and the mouse as on the classic desktop
// track bar, and a moved slider taking effect at the moment the model reads
// it: the next tick for Slider1, Slider2 and Slider4, the next beat boundary
// for Slider3, Slider5 and Slider6.

#include "mltesting.h"

#include <QApplication>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

using namespace mltesting;

class SliderKeyboardTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keys_data();
    void keys();
    void clickInTheChannelPagesByFive();
    void wheelMovesOnePositionPerNotch();
    void perTickSliderActsAtTheNextTick();
    void rateSliderActsAtTheNextBoundary();
};

void SliderKeyboardTest::keys_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");
    QTest::newRow("Right +1") << 4 << int(Qt::Key_Right) << 5;
    QTest::newRow("Left -1") << 4 << int(Qt::Key_Left) << 3;
    QTest::newRow("Up -1, as the desktop track bar") << 4 << int(Qt::Key_Up) << 3;
    QTest::newRow("Down +1") << 4 << int(Qt::Key_Down) << 5;
    QTest::newRow("Page Up -5") << 7 << int(Qt::Key_PageUp) << 2;
    QTest::newRow("Page Down +5") << 2 << int(Qt::Key_PageDown) << 7;
    QTest::newRow("Page Down stops at 10") << 8 << int(Qt::Key_PageDown) << 10;
    QTest::newRow("Page Up stops at 0") << 3 << int(Qt::Key_PageUp) << 0;
    QTest::newRow("Left stops at 0") << 0 << int(Qt::Key_Left) << 0;
    QTest::newRow("Home 0") << 6 << int(Qt::Key_Home) << 0;
    QTest::newRow("End 10") << 6 << int(Qt::Key_End) << 10;
}

void SliderKeyboardTest::keys()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    talbrix::Ml window;
    QSlider *control = slider(window, 2);
    control->setValue(start);
    QTest::keyClick(control, static_cast<Qt::Key>(key));
    QCOMPARE(control->value(), expected);
    QCOMPARE(window.readSlider(2), expected);
}

void SliderKeyboardTest::clickInTheChannelPagesByFive()
{
    talbrix::Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSlider *control = slider(window, 1); // at 3
    QStyleOptionSlider option;
    option.initFrom(control);
    option.orientation = Qt::Horizontal;
    option.minimum = control->minimum();
    option.maximum = control->maximum();
    option.sliderPosition = control->value();
    option.sliderValue = control->value();
    option.tickPosition = control->tickPosition();
    option.tickInterval = control->tickInterval();
    option.pageStep = control->pageStep();
    option.singleStep = control->singleStep();
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    const QRect groove = control->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, control);
    // Well right of the thumb, near the end of the channel.
    const QPoint channel(groove.right() - 3, groove.center().y());
    QCOMPARE(
        control->style()->hitTestComplexControl(QStyle::CC_Slider, &option, channel, control), QStyle::SC_SliderGroove);
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, channel);
    QCOMPARE(control->value(), 8);
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, channel);
    QCOMPARE(control->value(), 10);
}

// Qt's own slider moves 3 positions per notch. Away from the user acts as
// Up (towards 0), towards the user as Down; a touchpad's fractions of a notch
// add up to whole positions.
void SliderKeyboardTest::wheelMovesOnePositionPerNotch()
{
    talbrix::Ml window;
    QSlider *control = slider(window, 2); // at 3
    auto turn = [control](int eighthsOfADegree) {
        const QPointF at(5, 5);
        QWheelEvent wheel(at, control->mapToGlobal(at), QPoint(), QPoint(0, eighthsOfADegree), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(control, &wheel);
    };
    turn(120);
    QCOMPARE(control->value(), 2);
    turn(-120);
    turn(-120);
    QCOMPARE(control->value(), 4);
    turn(-60);
    QCOMPARE(control->value(), 4);
    turn(-60);
    QCOMPARE(control->value(), 5);
    QCOMPARE(window.readSlider(2), 5);
}

void SliderKeyboardTest::perTickSliderActsAtTheNextTick()
{
    talbrix::Ml window;
    runTicks(window, 10);
    QCOMPARE(text(window, 6)->text(), QStringLiteral("1.33"));
    QTest::keyClick(slider(window, 1), Qt::Key_End); // resistance (10 + 1) / 3
    QCOMPARE(text(window, 6)->text(), QStringLiteral("1.33")); // nothing reacts to the move itself
    runTicks(window, 1);
    QCOMPARE(text(window, 6)->text(), QStringLiteral("3.67"));
    QTest::keyClick(slider(window, 2), Qt::Key_PageDown); // compliance ((8 + 6) / 10)^2
    runTicks(window, 1);
    QCOMPARE(text(window, 7)->text(), QStringLiteral(" 1.96"));
}

// The first boundary after load comes on tick 76; a rate chosen before it is
// shown (and used) only from that tick on.
void SliderKeyboardTest::rateSliderActsAtTheNextBoundary()
{
    talbrix::Ml window;
    runTicks(window, 40);
    QTest::keyClick(slider(window, 3), Qt::Key_Down); // 5: 16 * 5 + 16 = 96 beats/min
    runTicks(window, 35);
    QCOMPARE(text(window, 8)->text(), QStringLiteral("84")); // still the creation text
    QCOMPARE(window.state().heartRate, 80.0f);
    runTicks(window, 1);
    QCOMPARE(text(window, 8)->text(), QStringLiteral("96"));
    QCOMPARE(window.state().heartRate, 96.0f);
}

QTEST_MAIN(SliderKeyboardTest)
#include "tst_sliderkeys.moc"
