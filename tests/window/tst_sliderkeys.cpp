// Sliders driven from the keyboard, the mouse and the wheel as on the classic
// desktop track bar, and their tick marks. (When a moved slider takes effect
// is the model's business, and the long-run test checks that the window hands
// the model its positions.)

#include "mltesting.h"

#include <QApplication>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include <set>

using namespace mltesting;

class SliderKeyboardTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keys_data();
    void keys();
    void clickInTheChannelPagesByFive();
    void wheelMovesOnePositionPerNotch();
    void tickMarksAllAlike();
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

// Fusion in Qt 6.4 drew the tick marks of the first slider of each width it
// painted (Slider1, Slider5) in the highlight's blue-grey, and those of a
// slider with keyboard focus too. An empty style cache and a focused slider
// bring both about; every slider's marks must still be the one grey.
void SliderKeyboardTest::tickMarksAllAlike()
{
    talbrix::Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    slider(window, 2)->setFocus(Qt::TabFocusReason);
    QPixmapCache::clear();
    const QImage image = window.grab().toImage();
    const QRgb face = window.palette().color(QPalette::Button).rgb();
    std::set<QRgb> expected;
    for (int number = 1; number <= 6; ++number) {
        const QRect bounds = slider(window, number)->geometry();
        std::set<QRgb> marks;
        for (int x = bounds.left(); x <= bounds.right(); ++x) {
            if (image.pixel(x, bounds.bottom() - 2) != face)
                marks.insert(image.pixel(x, bounds.bottom() - 2));
        }
        if (number == 1)
            expected = marks;
        QCOMPARE(marks, expected);
    }
    QCOMPARE(expected.size(), std::size_t(1));
}

QTEST_MAIN(SliderKeyboardTest)
#include "tst_sliderkeys.moc"
