// The form zoomed for a projector: at 200 % and 300 % the drawing area shows
// the 100 % pixels grown to whole squares, with the run going on across the
// change and nothing of it lost; back at 100 % the window is the one that was
// never zoomed; the shortcuts and commands step and stop at the ends; and
// the program, only the program, remembers the zoom.

#include "mltesting.h"

#include "formtable.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

using namespace mltesting;
using talbrix::Ml;
namespace form = talbrix::form;

namespace {

const QSize atLoad(form::window.width / form::twipsPerPixel, form::window.height / form::twipsPerPixel);

QImage shown(Ml &window)
{
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        qWarning("window not active");
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Picture1 with its border, at the zoom it is drawn at.
QImage plotShown(Ml &window)
{
    return plotImage(window).convertToFormat(QImage::Format_RGB32);
}

// The aortic trace is black; nothing else in the plot is.
int blackPixels(const QImage &plot)
{
    int count = 0;
    for (int y = 0; y < plot.height(); ++y)
        for (int x = 0; x < plot.width(); ++x)
            count += plot.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
    return count;
}

// How many pixels of the zoomed picture differ from the 100 % one grown to
// zoom x zoom squares.
int differingFromGrown(const QImage &zoomed, const QImage &actual, int zoom)
{
    if (zoomed.size() != actual.size() * zoom)
        return -1;
    int differing = 0;
    for (int y = 0; y < zoomed.height(); ++y)
        for (int x = 0; x < zoomed.width(); ++x)
            if (zoomed.pixel(x, y) != actual.pixel(x / zoom, y / zoom) && differing++ < 5)
                qWarning("pixel %d,%d at zoom %d is %08x, expected %08x", x, y, zoom, zoomed.pixel(x, y),
                    actual.pixel(x / zoom, y / zoom));
    return differing;
}

QAction *action(Ml &window, const char *name)
{
    for (QAction *candidate : window.actions())
        if (candidate->objectName() == QLatin1String(name))
            return candidate;
    qFatal("no action %s", name);
}

} // namespace

class ZoomTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void theRunGoesOnAcrossAZoomAndLosesNothing();
    void controlsAndTextGrowWithTheZoom();
    void shortcutsAndCommandsStepAndStopAtTheEnds();
    void theProgramRemembersItsZoom();

private:
    QTemporaryDir m_configuration;
};

// The program's settings go to a folder of the test's own.
void ZoomTest::initTestCase()
{
    QApplication::setCursorFlashTime(0);
    QVERIFY(m_configuration.isValid());
    qputenv("XDG_CONFIG_HOME", m_configuration.path().toLocal8Bit());
}

// Zoomed mid-run with a reference held: the timer keeps firing, ticks and
// readouts move on, and Picture1 at 200 % and 300 % is the 100 % one of the
// same run, every pixel a whole square (points, reference, grid and border).
// Back at 100 %, the whole window equals a window that ran the same ticks
// without ever zooming.
void ZoomTest::theRunGoesOnAcrossAZoomAndLosesNothing()
{
    QuietWindow zoomedWindow;
    Ml &window = zoomedWindow.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    runTicks(window, 150);
    window.holdReference();
    runTicks(window, 150);

    window.Command1_Click();
    window.setZoom(2);
    QCOMPARE(window.size(), atLoad * 2);
    const auto *timer = window.findChild<QTimer *>(QLatin1String(form::timerName));
    QVERIFY(timer->isActive());
    const std::uint64_t ticksAtZoom = window.ticks();
    const auto textsAtZoom = texts(window);
    QTRY_VERIFY(window.ticks() >= ticksAtZoom + 20);
    window.Command2_Click();
    QVERIFY(texts(window) != textsAtZoom);
    const QImage at200 = plotShown(window);
    window.setZoom(3);
    const QImage at300 = plotShown(window);
    window.setZoom(1);
    QCOMPARE(window.size(), atLoad);

    QuietWindow neverZoomed;
    Ml &twin = neverZoomed.window;
    twin.show();
    QVERIFY(QTest::qWaitForWindowExposed(&twin));
    runTicks(twin, 150);
    twin.holdReference();
    runTicks(twin, static_cast<int>(window.ticks()) - 150);
    QCOMPARE(texts(window), texts(twin));
    const QImage actual = plotShown(twin);
    QVERIFY(blackPixels(actual) > 100);
    QCOMPARE(differingFromGrown(at200, actual, 2), 0);
    QCOMPARE(differingFromGrown(at300, actual, 3), 0);
    QCOMPARE(plotShown(window), actual);

    twin.hide();
    const QImage back = shown(window);
    window.hide();
    twin.show();
    QCOMPARE(back, shown(twin));
}

// Text is laid out anew in a font of the grown pixel size, not stretched;
// every control keeps its place on the grown grid.
void ZoomTest::controlsAndTextGrowWithTheZoom()
{
    Ml window;
    const auto *title = control<QLabel>(window, QStringLiteral("Label26"));
    const auto *box = text(window, 1);
    const QRect boxAt100 = box->geometry();
    const QRect sliderAt100 = slider(window, 6)->geometry();
    const int titlePixels = title->font().pixelSize();
    const int boxPixels = box->font().pixelSize();
    window.setZoom(3);
    QCOMPARE(box->geometry(), QRect(boxAt100.topLeft() * 3, boxAt100.size() * 3));
    QCOMPARE(slider(window, 6)->geometry(), QRect(sliderAt100.topLeft() * 3, sliderAt100.size() * 3));
    QCOMPARE(title->font().pixelSize(), titlePixels * 3);
    QCOMPARE(box->font().pixelSize(), boxPixels * 3);
    window.setZoom(1);
    QCOMPARE(box->geometry(), boxAt100);
    QCOMPARE(title->font().pixelSize(), titlePixels);
    QCOMPARE(box->font().pixelSize(), boxPixels);
}

// Ctrl+Plus (also Ctrl+= and the keypad's plus), Ctrl+Minus and Ctrl+0, typed
// with the focus in a readout box, and the same commands from the menu.
void ZoomTest::shortcutsAndCommandsStepAndStopAtTheEnds()
{
    Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    const auto press = [focus](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(focus, key, modifiers);
    };

    press(Qt::Key_Plus);
    QCOMPARE(window.zoom(), 2);
    QCOMPARE(window.size(), atLoad * 2);
    press(Qt::Key_Equal);
    QCOMPARE(window.zoom(), 3);
    press(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(window.zoom(), 3);
    QCOMPARE(window.size(), atLoad * 3);
    QVERIFY(!action(window, "zoomIn")->isEnabled());
    press(Qt::Key_Minus);
    QCOMPARE(window.zoom(), 2);
    press(Qt::Key_0);
    QCOMPARE(window.zoom(), 1);
    QCOMPARE(window.size(), atLoad);
    press(Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(window.zoom(), 1);
    QVERIFY(!action(window, "zoomOut")->isEnabled());
    press(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(window.zoom(), 2);

    action(window, "zoomOut")->trigger();
    QCOMPARE(window.zoom(), 1);
    action(window, "zoomIn")->trigger();
    action(window, "zoomIn")->trigger();
    QCOMPARE(window.zoom(), 3);
    QVERIFY(action(window, "zoomOut")->isEnabled());
    action(window, "actualSize")->trigger();
    QCOMPARE(window.zoom(), 1);
    window.setZoom(7);
    QCOMPARE(window.zoom(), 3);
    window.setZoom(-1);
    QCOMPARE(window.zoom(), 1);
}

// The program's start restores the zoom its last session left, to the
// nearest whole step; a window no program started (a test's, a tool's)
// neither reads nor writes it.
void ZoomTest::theProgramRemembersItsZoom()
{
    const QStringList program { QStringLiteral("talbrix") };
    {
        Ml first;
        first.openFromCommandLine(program);
        QCOMPARE(first.zoom(), 1);
        first.setZoom(3);
    }
    {
        Ml unstarted;
        QCOMPARE(unstarted.zoom(), 1);
        unstarted.setZoom(2);
    }
    Ml next;
    next.openFromCommandLine(program);
    QCOMPARE(next.zoom(), 3);
    QCOMPARE(next.size(), atLoad * 3);

    QSettings settings(QStringLiteral("talbrix"), QStringLiteral("talbrix"));
    settings.setValue(QStringLiteral("window/zoomPercent"), 180);
    settings.sync();
    Ml rounded;
    rounded.openFromCommandLine(program);
    QCOMPARE(rounded.zoom(), 2);
    settings.setValue(QStringLiteral("window/zoomPercent"), QStringLiteral("huge"));
    settings.sync();
    Ml damaged;
    damaged.openFromCommandLine(program);
    QCOMPARE(damaged.zoom(), 1);
}

QTEST_MAIN(ZoomTest)
#include "tst_zoom.moc"
