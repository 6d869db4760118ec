// The pressure trace on Picture1: each point on the pixel its twip
// coordinates name (15 twips to the pixel, rounded down), in the colour the
// model chose; the sweep restart erasing the points and nothing else; points
// outside the drawing area dropped; the trace kept across hiding.

#include "mltesting.h"

#include "circulation.h"
#include "memorywindow.h"

#include <QImage>
#include <QWidget>

#include <map>
#include <utility>

using namespace mltesting;

namespace {

const QPoint drawingOrigin(2, 2); // inside Picture1's two-pixel border

QImage plotImage(talbrix::Ml &window)
{
    return control<QWidget>(window, QStringLiteral("Picture1"))->grab().toImage();
}

QRgb colourOf(std::int32_t value) // 0xBBGGRR
{
    return qRgb(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

QRgb pixelAt(const QImage &image, int column, int row)
{
    return image.pixel(drawingOrigin + QPoint(column, row));
}

// Where the in-memory window's points should show, the last one on a pixel
// winning.
using Pixels = std::map<std::pair<int, int>, QRgb>; // (column, row) -> colour

Pixels expectedPixels(const talbrix::MemoryWindow &memory)
{
    Pixels pixels;
    for (const talbrix::PlottedPoint &point : memory.points())
        if (point.x >= 0 && point.y >= 0 && point.x / 15 < 645 && point.y / 15 < 157)
            pixels[{ point.x / 15, point.y / 15 }] = colourOf(point.colour);
    return pixels;
}

// Every pixel of the drawing area is either one of the expected points or
// exactly what a window that never plotted shows there (grid or white).
void verifyOnlyThesePoints(const QImage &shown, const QImage &blank, const Pixels &points)
{
    int differing = 0;
    for (int row = 0; row < 157; ++row) {
        for (int column = 0; column < 645; ++column) {
            const auto point = points.find({ column, row });
            const QRgb expected = point != points.end() ? point->second : pixelAt(blank, column, row);
            if (pixelAt(shown, column, row) != expected && differing++ < 5)
                qWarning("pixel %d,%d is %08x, expected %08x", column, row, pixelAt(shown, column, row), expected);
        }
    }
    QCOMPARE(differing, 0);
}

struct TwoRuns {
    talbrix::Ml window;
    talbrix::MemoryWindow memory;
    talbrix::CirculationState state;

    TwoRuns()
    {
        talbrix::loadCirculation(state, memory);
        window.show();
    }

    void run(int ticks)
    {
        for (int tick = 0; tick < ticks; ++tick) {
            window.Timer1_Timer();
            talbrix::runTick(state, memory);
        }
    }
};

} // namespace

class TraceTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void pointsLandWhereTheScalesSay();
    void steadyStateOnTheScales();
    void sweepRestartClearsPointsButNotGrid();
    void pointsOutsideTheAreaAreDropped();
    void traceSurvivesHidingAndResizing();

private:
    QImage m_blank;
};

void TraceTest::initTestCase()
{
    talbrix::Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    m_blank = plotImage(window);
}

void TraceTest::pointsLandWhereTheScalesSay()
{
    TwoRuns runs;
    QVERIFY(QTest::qWaitForWindowExposed(&runs.window));
    runs.run(700);
    const auto points = expectedPixels(runs.memory);
    QVERIFY(points.size() > 150u);
    verifyOnlyThesePoints(plotImage(runs.window), m_blank, points);
}

// At steady state with the load positions the aortic trace swings between
// about 75.6 and 107.8 mmHg and the venous trace lies at about 6.2 mmHg; on
// the scales (y = 2200 - 10 p, y = 2160 - 120 v) that is rows 74..96 black and
// row 94 blue.
void TraceTest::steadyStateOnTheScales()
{
    TwoRuns runs;
    QVERIFY(QTest::qWaitForWindowExposed(&runs.window));
    runs.run(1000);
    const QImage image = plotImage(runs.window);
    const int column = runs.window.state().plotX / 15;
    QCOMPARE(pixelAt(image, column, 94), qRgb(0, 0, 255));
    int blackRows = 0;
    for (int sweepColumn = column - 40; sweepColumn <= column; ++sweepColumn)
        for (int row = 0; row < 157; ++row)
            if (pixelAt(image, sweepColumn, row) == qRgb(0, 0, 0)) {
                QVERIFY2(row >= 74 && row <= 97, qPrintable(QString::number(row)));
                ++blackRows;
            }
    QVERIFY(blackRows > 30);
}

// With the load positions the sweep restarts at tick 4827, after x 9652.
void TraceTest::sweepRestartClearsPointsButNotGrid()
{
    TwoRuns runs;
    QVERIFY(QTest::qWaitForWindowExposed(&runs.window));
    runs.run(4826);
    QCOMPARE(runs.window.state().plotX, std::int16_t(9652));
    const QImage before = plotImage(runs.window);
    QCOMPARE(pixelAt(before, 9652 / 15, runs.window.state().plotY / 15), qRgb(0, 0, 255));

    runs.run(1);
    QCOMPARE(runs.window.state().plotX, std::int16_t(200));
    const auto points = expectedPixels(runs.memory);
    QCOMPARE(points.size(), std::size_t(2)); // only the restart tick's own two points
    verifyOnlyThesePoints(plotImage(runs.window), m_blank, points);
}

void TraceTest::pointsOutsideTheAreaAreDropped()
{
    talbrix::Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.setDrawColour(talbrix::colourBlack);
    window.plotPoint(-1, 300); // just left of the area: not on column 0
    window.plotPoint(300, -1);
    window.plotPoint(9675, 300); // one pixel beyond the right edge
    window.plotPoint(300, 2355); // one pixel below the bottom
    window.plotPoint(-32768, 32767);
    window.plotPoint(9674, 2354); // the last pixel inside
    window.plotPoint(14, 29); // twips 0..14 all fall on the first pixel
    verifyOnlyThesePoints(plotImage(window), m_blank, { { { 644, 156 }, qRgb(0, 0, 0) }, { { 0, 1 }, qRgb(0, 0, 0) } });
}

void TraceTest::traceSurvivesHidingAndResizing()
{
    TwoRuns runs;
    QVERIFY(QTest::qWaitForWindowExposed(&runs.window));
    runs.run(300);
    runs.window.hide();
    runs.window.resize(400, 200);
    runs.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&runs.window));
    runs.window.resize(779, 438);
    verifyOnlyThesePoints(plotImage(runs.window), m_blank, expectedPixels(runs.memory));
    // The drawing colour survives a clear, as the model relies on.
    runs.window.setDrawColour(talbrix::colourBlue);
    runs.window.clearPlot();
    runs.window.plotPoint(150, 150);
    verifyOnlyThesePoints(plotImage(runs.window), m_blank, { { { 10, 10 }, qRgb(0, 0, 255) } });
}

QTEST_MAIN(TraceTest)
#include "tst_trace.moc"
