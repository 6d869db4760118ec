// The window as a user finds it when it opens, before Start: texts, slider
// positions, option buttons, the stopped timer, the keyboard focus and the
// order Tab walks through the controls.

#include "mltesting.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include <algorithm>

using namespace mltesting;
using talbrix::Ml;

class OpenStateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void texts_data();
    void texts();
    void slidersAtTheirLoadPositions();
    void nothingRunsAndNothingIsSelected();
    void captionAndClientArea();
    void focusStartsInText1AndTabFollowsTheDesign();
    void screenReadersHearTheCaptions();
    void everyCaptionFitsItsWidth();
    void captionsWrapOnlyAtBlanks();
};

void OpenStateTest::texts_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("expected");
    // Text1, Text3 and Text5 are rewritten by the load step; the others keep
    // their creation texts, even where they disagree with the sliders.
    QTest::newRow("Text1 aortic pressure at load") << 1 << " 40";
    QTest::newRow("Text2 blood volume") << 2 << "5000";
    QTest::newRow("Text3 stroke volume at load") << 3 << " 0";
    QTest::newRow("Text4 venous compliance") << 4 << "50";
    QTest::newRow("Text5 ejection flow at load") << 5 << " 0";
    QTest::newRow("Text6 resistance") << 6 << "1.33";
    QTest::newRow("Text7 compliance, not the slider's .81") << 7 << ".64";
    QTest::newRow("Text8 rate, not the slider's 80") << 8 << "84";
    QTest::newRow("Text9 peak flow") << 9 << "400";
    for (int box = 10; box <= 13; ++box)
        QTest::newRow(qPrintable(QStringLiteral("Text%1").arg(box))) << box << "0";
}

void OpenStateTest::texts()
{
    QFETCH(int, box);
    QFETCH(QString, expected);
    Ml window;
    QCOMPARE(text(window, box)->text(), expected);
    QVERIFY(!text(window, box)->isReadOnly());
}

void OpenStateTest::slidersAtTheirLoadPositions()
{
    Ml window;
    const int positions[] = { 3, 3, 4, 4, 5, 5 };
    for (int number = 1; number <= 6; ++number) {
        QSlider *control = slider(window, number);
        QCOMPARE(control->value(), positions[number - 1]);
        QCOMPARE(window.readSlider(number), positions[number - 1]);
        QCOMPARE(control->minimum(), 0);
        QCOMPARE(control->maximum(), 10);
        QCOMPARE(control->singleStep(), 1);
        QCOMPARE(control->pageStep(), 5);
    }
}

void OpenStateTest::nothingRunsAndNothingIsSelected()
{
    Ml window;
    auto *timer = window.findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer);
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 10);
    QCOMPARE(timer->timerType(), Qt::PreciseTimer);
    QVERIFY(!control<QRadioButton>(window, QStringLiteral("Option1"))->isChecked());
    QVERIFY(!control<QRadioButton>(window, QStringLiteral("Option2"))->isChecked());
    QVERIFY(!window.fibrillationSelected());
    QCOMPARE(window.heartRateText(), std::string("84"));
}

void OpenStateTest::captionAndClientArea()
{
    Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Talbrix Simulation"));
    QCOMPARE(window.size(), QSize(779, 438));
    // Resizable: enlarging shows more face, and nothing moves.
    const QRect startBefore = control<QWidget>(window, QStringLiteral("Command1"))->geometry();
    window.resize(1000, 600);
    QTRY_COMPARE(window.size(), QSize(1000, 600));
    QCOMPARE(control<QWidget>(window, QStringLiteral("Command1"))->geometry(), startBefore);
}

void OpenStateTest::focusStartsInText1AndTabFollowsTheDesign()
{
    Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget(), text(window, 1));

    const QStringList expected {
        "Text3",
        "Picture1",
        "Command1",
        "Command2",
        "Text5",
        "Text6",
        "Text7",
        "Text8",
        "Text9",
        "Slider1",
        "Slider2",
        "Slider3",
        "Slider4",
        "Text11",
        "Text12",
        "Slider5",
        "Text13",
        "Text2",
        "Slider6",
        "Text4",
        "Option1",
        "Text10",
        "Text1",
    };
    // Option1 and Option2 form one group, which Tab visits once, as is the
    // convention for option buttons; the arrow keys move within the group.
    QStringList walked;
    for (qsizetype step = 0; step < expected.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(walked, expected);

    auto *option1 = control<QWidget>(window, QStringLiteral("Option1"));
    option1->setFocus();
    QTest::keyClick(option1, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Option2"));
}

void OpenStateTest::screenReadersHearTheCaptions()
{
    Ml window;
    const std::pair<const char *, const char *> names[] = {
        { "Text1", "AOP (mmHg)" },
        { "Text2", "Blood Vol ml" },
        { "Text5", "Cardiac Output ml/min" },
        { "Text8", "Rate (b/m)" },
        { "Text12", "Vein Pres (mmHg)" },
        { "Slider1", "Periph. Res." },
        { "Slider5", "Blood Vol" },
        { "Slider6", "V. Compl." },
        { "Option1", "Fibrillate" },
        { "Option2", "Defibrillate" },
    };
    for (const auto &[control, name] : names)
        QCOMPARE(window.findChild<QWidget *>(QLatin1String(control))->accessibleName(), QLatin1String(name));
}

// With the embedded face every word of every caption fits the label's width;
// a missing or substituted font is what would break this.
void OpenStateTest::everyCaptionFitsItsWidth()
{
    Ml window;
    QCOMPARE(QApplication::font().family(), QStringLiteral("Liberation Sans"));
    const auto labels = window.findChildren<QLabel *>();
    QCOMPARE(labels.size(), 35);
    for (const QLabel *label : labels) {
        const QFontMetrics metrics(label->font());
        for (const QString &word : label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
            QVERIFY2(metrics.horizontalAdvance(word) <= label->width(),
                qPrintable(label->objectName() + QLatin1String(": ") + word));
    }
}

// "Cardiac Output ml/min" wraps at its blanks, so its last line is the whole
// "ml/min"; Qt on its own would break after the slash and end with "min".
void OpenStateTest::captionsWrapOnlyAtBlanks()
{
    Ml window;
    auto *label = control<QLabel>(window, QStringLiteral("label5"));
    QCOMPARE(label->accessibleName(), QStringLiteral("Cardiac Output ml/min"));
    const QImage image = label->grab().toImage();
    const QRgb face = image.pixel(0, 0);
    int lastInkRow = -1;
    for (int row = 0; row < image.height(); ++row)
        for (int column = 0; column < image.width(); ++column)
            if (image.pixel(column, row) != face)
                lastInkRow = row;
    QVERIFY(lastInkRow > 0);
    // The ink of the last line's lower half, below the dot of the i.
    int left = image.width(), right = -1;
    for (int row = lastInkRow - 3; row <= lastInkRow; ++row)
        for (int column = 0; column < image.width(); ++column)
            if (image.pixel(column, row) != face) {
                left = std::min(left, column);
                right = std::max(right, column);
            }
    const QFontMetrics metrics(label->font());
    QVERIFY2(right - left + 1 > metrics.horizontalAdvance(QStringLiteral("min")) + 4,
        qPrintable(QString::number(right - left + 1)));
}

QTEST_MAIN(OpenStateTest)
#include "tst_openstate.moc"
