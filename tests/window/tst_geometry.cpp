// Every control at its design rectangle at 96 dpi (15 twips to the pixel),
// and the lines drawn where and how the design puts them.

#include "mltesting.h"

#include "linecontrol.h"

#include <QImage>
#include <QPalette>
#include <QPixmapCache>
#include <QRegularExpression>
#include <QWidget>

#include <set>

using namespace mltesting;
using talbrix::LineControl;
using talbrix::Ml;

class GeometryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ninetySixControls();
    void controlRectangles_data();
    void controlRectangles();
    void lineEnds_data();
    void lineEnds();
    void windowLinesOnScreen();
    void gridOnScreen();
    void sliderTickMarksAllAlike();
};

void GeometryTest::ninetySixControls()
{
    Ml window;
    static const QRegularExpression controlName(
        QStringLiteral("^(Text|Slider|Option|Command|Picture|Timer|Label|label|Line)[0-9]+$"));
    std::set<QString> names;
    for (const QObject *child : window.findChildren<QObject *>())
        if (controlName.match(child->objectName()).hasMatch())
            names.insert(child->objectName());
    QCOMPARE(names.size(), std::size_t(96));
}

void GeometryTest::controlRectangles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    const std::tuple<const char *, int, int, int, int> designs[] = {
        { "Slider1", 7620, 3720, 2415, 375 },
        { "Slider2", 7620, 4320, 2415, 375 },
        { "Slider3", 7620, 4920, 2415, 375 },
        { "Slider4", 7620, 5520, 2415, 375 },
        { "Slider5", 2280, 4320, 2295, 375 },
        { "Slider6", 2220, 3720, 2295, 375 },
        { "Text1", 3120, 6120, 735, 285 },
        { "Text2", 4740, 4320, 615, 285 },
        { "Text3", 5160, 5160, 735, 285 },
        { "Text4", 4740, 3720, 615, 285 },
        { "Text5", 1380, 5160, 735, 285 },
        { "Text6", 10140, 3720, 615, 285 },
        { "Text7", 10140, 4320, 615, 285 },
        { "Text8", 10140, 4920, 615, 285 },
        { "Text9", 10140, 5520, 615, 285 },
        { "Text10", 5160, 6120, 735, 285 },
        { "Text11", 5160, 5640, 735, 285 },
        { "Text12", 3120, 5640, 735, 285 },
        { "Text13", 3120, 5160, 735, 285 },
        { "Command1", 8820, 6000, 855, 495 },
        { "Command2", 9840, 6000, 795, 495 },
        { "Option1", 2400, 2760, 255, 255 },
        { "Option2", 2400, 3120, 255, 255 },
        { "Picture1", 930, 120, 9735, 2415 },
        { "Label1", 2040, 6120, 1215, 375 },
        { "Label2", 1260, 3720, 1095, 255 },
        { "Label3", 3960, 5160, 1095, 375 },
        { "Label4", 6840, 2880, 3675, 495 },
        { "label5", 600, 5040, 735, 735 },
        { "Label6", 795, 2130, 495, 495 },
        { "Label7", 615, 1200, 495, 255 },
        { "Label8", 615, 240, 615, 375 },
        { "Label9", 6660, 3720, 1095, 375 },
        { "Label10", 6660, 4320, 975, 375 },
        { "Label11", 6660, 4920, 855, 375 },
        { "Label12", 6660, 5520, 975, 375 },
        { "Label13", 4200, 5640, 855, 255 },
        { "Label14", 1680, 5640, 1335, 375 },
        { "label15", 1260, 4320, 855, 255 },
        { "Label16", 2340, 5160, 975, 255 },
        { "Label17", 6780, 3240, 3795, 495 },
        { "Label18", 120, 1440, 675, 495 },
        { "Label19", 900, 2640, 435, 255 },
        { "Label20", 4620, 2640, 435, 255 },
        { "Label21", 8400, 2640, 315, 255 },
        { "Label22", 5760, 2520, 1635, 255 },
        { "Label23", 11010, 720, 255, 255 },
        { "Label24", 2760, 2760, 1455, 375 },
        { "Label25", 11010, 1440, 255, 255 },
        { "Label26", 11010, 2160, 255, 255 },
        { "Label27", 10770, 120, 855, 255 },
        { "Label28", 10890, 360, 615, 255 },
        { "Label29", 2760, 3120, 1215, 255 },
        { "Label30", 4200, 6120, 855, 375 },
        { "label31", 11040, 6120, 495, 255 },
        { "Label32", 705, 1665, 315, 315 },
        { "Label33", 615, 720, 465, 315 },
        { "Label34", 5400, 4320, 615, 375 },
        { "Label36", 0, 0, 375, 255 },
    };
    for (const auto &[name, left, top, width, height] : designs)
        QTest::newRow(name) << QString::fromLatin1(name) << QRect(left, top, width, height);
}

void GeometryTest::controlRectangles()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    Ml window;
    const QRect pixels = control<QWidget>(window, name)->geometry();
    QCOMPARE(QRect(pixels.x() * 15, pixels.y() * 15, pixels.width() * 15, pixels.height() * 15), twips);
}

void GeometryTest::lineEnds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QLine>("twips");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("container");
    // The first 23 are the plot's grid, in its drawing area's twips; the
    // rest lie on the window.
    const std::tuple<const char *, int, int, int, int, int> designs[] = {
        { "Line12", 0, 240, 9720, 240, 1 },
        { "Line33", -45, 330, 9675, 330, 1 },
        { "Line32", -45, 435, 9675, 435, 1 },
        { "Line31", 0, 540, 9720, 540, 1 },
        { "Line36", 9690, 630, 0, 630, 1 },
        { "Line35", 9720, 675, 0, 675, 1 },
        { "Line30", 0, 720, 9720, 720, 1 },
        { "Line29", -15, 720, 9705, 720, 1 },
        { "Line28", 0, 825, 9720, 825, 1 },
        { "Line27", 0, 915, 9720, 915, 1 },
        { "Line26", 0, 1020, 9720, 1020, 1 },
        { "Line25", 0, 1110, 9720, 1110, 1 },
        { "Line2", 0, 1200, 9720, 1200, 1 },
        { "Line24", 0, 1305, 9720, 1305, 1 },
        { "Line23", 0, 1395, 9720, 1395, 1 },
        { "Line21", 0, 1485, 9720, 1485, 1 },
        { "Line15", 0, 1590, 9720, 1590, 1 },
        { "Line17", -15, 1680, 9705, 1680, 1 },
        { "Line18", -45, 1770, 9675, 1770, 1 },
        { "Line19", -15, 1860, 9705, 1860, 1 },
        { "Line20", 15, 1965, 9735, 1965, 1 },
        { "Line22", 0, 2055, 9765, 2055, 1 },
        { "Line11", 0, 2160, 9720, 2160, 1 },
        { "Line34", 0, 0, 9765, 0, 1 },
        { "Line16", 10770, 840, 10890, 840, 1 },
        { "Line14", 10770, 1560, 10890, 1560, 1 },
        { "Line13", 10770, 2280, 10890, 2280, 1 },
        { "Line10", 960, 2520, 960, 2640, 1 },
        { "Line8", 4740, 2520, 4740, 2640, 1 },
        { "Line9", 8460, 2520, 8460, 2640, 1 },
        { "Line7", 3360, 4200, 3360, 4080, 3 },
        { "Line6", 3420, 4800, 3420, 4680, 3 },
        { "Line5", 8400, 4080, 8400, 4200, 3 },
        { "Line4", 8400, 4680, 8400, 4800, 3 },
        { "Line3", 8640, 5280, 8640, 5400, 3 },
        { "Line1", 8640, 6000, 8640, 5880, 4 },
    };
    int row = 0;
    for (const auto &[name, x1, y1, x2, y2, width] : designs)
        QTest::newRow(name) << QString::fromLatin1(name) << QLine(x1, y1, x2, y2) << width
                            << QString::fromLatin1(row++ < 23 ? "Picture1" : "Ml");
}

void GeometryTest::lineEnds()
{
    QFETCH(QString, name);
    QFETCH(QLine, twips);
    QFETCH(int, width);
    QFETCH(QString, container);
    Ml window;
    const auto *line = control<LineControl>(window, name);
    QCOMPARE(line->twips(), twips);
    QCOMPARE(line->width(), width);
    QCOMPARE(line->invertsBeneath(), name == QLatin1String("Line1"));
    QCOMPARE(line->parent()->objectName(), container);
}

void GeometryTest::windowLinesOnScreen()
{
    Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage image = window.grab().toImage();
    const QPalette palette = window.palette();
    const QColor face = palette.color(QPalette::Button);
    const QColor ink = palette.color(QPalette::WindowText);

    // Line1 ORs black with the inverse of the face beneath: not black.
    const QRgb inverted = qRgb(255 - face.red(), 255 - face.green(), 255 - face.blue());
    QCOMPARE(image.pixel(575, 396), inverted);
    QCOMPARE(image.pixel(574, 396), inverted); // width 4: x - 2 .. x + 1
    QCOMPARE(image.pixel(577, 396), inverted);
    QCOMPARE(image.pixel(578, 396), face.rgb());
    // A width-3 mark (Line3 above Slider4) covers x - 1 .. x + 1.
    QCOMPARE(image.pixel(575, 356), ink.rgb());
    QCOMPARE(image.pixel(577, 356), ink.rgb());
    QCOMPARE(image.pixel(578, 356), face.rgb());
    // Each load-position mark overlaps the slider next to it by one pixel row,
    // which the slider covers: 7 rows of the mark show, not 8.
    for (const QPoint covered : { QPoint(560, 272), QPoint(560, 312), QPoint(224, 272), QPoint(228, 312),
             QPoint(575, 352) }) { // Line5, Line4, Line7, Line6, Line3
        QCOMPARE(image.pixel(covered), face.rgb());
        QCOMPARE(image.pixel(covered + QPoint(0, 1)), ink.rgb());
    }
    QCOMPARE(image.pixel(575, 392), face.rgb()); // Line1
    QCOMPARE(image.pixel(575, 393), inverted);
    // Time-axis tick Line8 under the plot, in the window-text colour.
    QCOMPARE(image.pixel(316, 170), ink.rgb());
    // Venous-scale ticks: Line16 in the highlight colour, Line13 in dark blue.
    QCOMPARE(image.pixel(720, 56), palette.color(QPalette::Highlight).rgb());
    QCOMPARE(image.pixel(720, 152), qRgb(0, 0, 192));
    // The rule along the top in the shadow colour, covered by Label36 at its start.
    QCOMPARE(image.pixel(400, 0), palette.color(QPalette::Dark).rgb());
    QCOMPARE(image.pixel(10, 0), face.rgb());
}

void GeometryTest::gridOnScreen()
{
    Ml window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *plot = control<QWidget>(window, QStringLiteral("Picture1"));
    const QImage image = plot->grab().toImage();
    const QPoint origin(2, 2); // inside the sunken border
    const QRgb red = qRgb(255, 0, 0);
    const QRgb shadow = window.palette().color(QPalette::Dark).rgb();
    const QRgb highlight = window.palette().color(QPalette::Highlight).rgb();
    const QRgb white = qRgb(255, 255, 255);
    auto at = [&](int x, int y) { return image.pixel(origin + QPoint(x, y)); };

    for (int row : { 16, 48, 80, 112, 144 }) { // the five red lines
        QCOMPARE(at(0, row), red);
        QCOMPARE(at(644, row), red);
    }
    QCOMPARE(at(300, 45), highlight); // Line35
    QCOMPARE(at(300, 93), highlight); // Line23
    QCOMPARE(at(0, 118), shadow); // Line18 starts left of the area
    QCOMPARE(at(0, 131), white); // Line20 starts one pixel in
    QCOMPARE(at(1, 131), shadow);
    QCOMPARE(at(300, 17), white); // between lines
    QCOMPARE(at(300, 156), white);
    // Nothing of the grid spills over the border.
    QCOMPARE(image.pixel(647, 2 + 16), image.pixel(647, 2 + 17));
}

// Fusion in Qt 6.4 drew the tick marks of the first slider of each width it
// painted (Slider1, Slider5) in the highlight's blue-grey, and those of a
// slider with keyboard focus too. An empty style cache and a focused slider
// bring both about; every slider's marks must still be the one grey.
void GeometryTest::sliderTickMarksAllAlike()
{
    Ml window;
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

QTEST_MAIN(GeometryTest)
#include "tst_geometry.moc"
