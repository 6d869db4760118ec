// The edges of the pressure trace on Picture1. (That every point lands on the
// pixel its twips name, in its colour, across sweep restarts, hiding and
// resizing, is checked by the long-run test against the in-memory window.)

#include "mltesting.h"

#include <QScreen>
#include <QWidget>

using namespace mltesting;

class TraceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pointsOutsideTheAreaAreDropped();
    void drawingColourSurvivesAClear();
    void everyPointReachesTheScreen();
};

void TraceTest::pointsOutsideTheAreaAreDropped()
{
    talbrix::Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage blank = plotImage(window);
    window.setDrawColour(talbrix::colourBlack);
    window.plotPoint(-1, 300); // just left of the area: not on column 0
    window.plotPoint(300, -1);
    window.plotPoint(9675, 300); // one pixel beyond the right edge
    window.plotPoint(300, 2355); // one pixel below the bottom
    window.plotPoint(-32768, 32767);
    window.plotPoint(9674, 2354); // the last pixel inside
    window.plotPoint(14, 29); // twips 0..14 all fall on the first pixel
    verifyPlot(plotImage(window), blank, { { 9674, 2354, talbrix::colourBlack }, { 14, 29, talbrix::colourBlack } });
}

// The model sets the colour once and relies on it after a sweep restart.
void TraceTest::drawingColourSurvivesAClear()
{
    talbrix::Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage blank = plotImage(window);
    window.setDrawColour(talbrix::colourBlue);
    window.plotPoint(600, 600);
    window.clearPlot();
    window.plotPoint(150, 150);
    verifyPlot(plotImage(window), blank, { { 150, 150, talbrix::colourBlue } });
}

// Points reach the screen at the display's pace, not after each tick; none
// may be left behind, not even the last ones before the ticks stop: what the
// window put on the screen equals a fresh rendering of the plot.
void TraceTest::everyPointReachesTheScreen()
{
    talbrix::Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int tick = 0; tick < 25; ++tick) {
        window.Timer1_Timer();
        QTest::qWait(3);
    }
    QTest::qWait(100); // more than two refreshes
    const QRect plot = control<QWidget>(window, QStringLiteral("Picture1"))->geometry();
    const QImage screen = window.screen()->grabWindow(window.winId()).toImage().copy(plot);
    QCOMPARE(screen.convertToFormat(QImage::Format_RGB32), plotImage(window).convertToFormat(QImage::Format_RGB32));
}

QTEST_MAIN(TraceTest)
#include "tst_trace.moc"
