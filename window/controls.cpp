#include "controls.h"

#include "controlvalues.h"
#include "linecontrol.h"
#include "plotarea.h"
#include "trackbar.h"
#include "twips.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <utility>

namespace talbrix {

namespace {

// A caption's font size, in logical pixels of the embedded sans-serif face:
// the window's default dialog font, and the two larger ones of the title and
// the fibrillation captions.
enum class LabelFont { Default = 10, Large = 16, Title = 18 };
enum class LabelInk { ButtonText, Highlight, HighlightOnMenu };

struct LabelDesign {
    const char *name;
    const char *caption;
    int left, top, width, height; // twips
    Qt::Alignment alignment;
    LabelFont font;
    LabelInk ink;
};

constexpr auto left = Qt::AlignLeft;
constexpr auto right = Qt::AlignRight;
constexpr auto centre = Qt::AlignHCenter;

// In creation order, which is also stacking order among overlapping labels.
const LabelDesign labelDesigns[] = {
    { "Label1", "AOP (mmHg)", 2040, 6120, 1215, 375, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label2", "V. Compl.", 1260, 3720, 1095, 255, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label3", "Stroke Vol (ml)", 3960, 5160, 1095, 375, right, LabelFont::Default, LabelInk::ButtonText },
    { "Label4", " Talbrix Simulator", 6840, 2880, 3675, 495, left, LabelFont::Title, LabelInk::ButtonText },
    { "label5", "Cardiac Output ml/min", 600, 5040, 735, 735, centre, LabelFont::Default, LabelInk::ButtonText },
    { "Label6", "0", 795, 2130, 495, 495, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label7", "100", 615, 1200, 495, 255, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label8", "200", 615, 240, 615, 375, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label9", "Periph. Res.", 6660, 3720, 1095, 375, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label10", "Aortic Compl.", 6660, 4320, 975, 375, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label11", "Rate (b/m)", 6660, 4920, 855, 375, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label12", "Contractility", 6660, 5520, 975, 375, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label13", "LVEDV (ml)", 4200, 5640, 855, 255, right, LabelFont::Default, LabelInk::ButtonText },
    { "Label14", " Vein Pres (mmHg)", 1680, 5640, 1335, 375, left, LabelFont::Default, LabelInk::ButtonText },
    { "label15", "Blood Vol", 1260, 4320, 855, 255, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label16", "Ejec. Frac.", 2340, 5160, 975, 255, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label17", "Written by the Talbrix authors for teaching the circulation", 6780, 3240, 3795, 495, centre,
        LabelFont::Default, LabelInk::ButtonText },
    { "Label18", "AOP mmHg", 120, 1440, 675, 495, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label19", "0", 900, 2640, 435, 255, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label20", "30", 4620, 2640, 435, 255, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label21", "60", 8400, 2640, 315, 255, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label22", "Time in seconds", 5760, 2520, 1635, 255, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label23", "12", 11010, 720, 255, 255, left, LabelFont::Default, LabelInk::Highlight },
    { "Label24", "Fibrillate", 2760, 2760, 1455, 375, left, LabelFont::Large, LabelInk::ButtonText },
    { "Label25", "6", 11010, 1440, 255, 255, left, LabelFont::Default, LabelInk::Highlight },
    { "Label26", "0", 11010, 2160, 255, 255, left, LabelFont::Default, LabelInk::HighlightOnMenu },
    { "Label27", "Ven Press", 10770, 120, 855, 255, left, LabelFont::Default, LabelInk::Highlight },
    { "Label28", "mmHg", 10890, 360, 615, 255, left, LabelFont::Default, LabelInk::Highlight },
    { "Label29", "Defibrillate", 2760, 3120, 1215, 255, left, LabelFont::Large, LabelInk::ButtonText },
    { "Label30", "LVESV (ml)", 4200, 6120, 855, 375, right, LabelFont::Default, LabelInk::ButtonText },
    { "label31", "v10.8", 11040, 6120, 495, 255, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label32", "50", 705, 1665, 315, 315, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label33", "150", 615, 720, 465, 315, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label34", "ml", 5400, 4320, 615, 375, left, LabelFont::Default, LabelInk::ButtonText },
    { "Label36", "ml", 0, 0, 375, 255, left, LabelFont::Default, LabelInk::ButtonText },
};

struct TextDesign {
    int left, top, width; // twips; every box is 285 twips high
    int tab;
    const char *caption; // the label that names it, for screen readers
    const char *unit; // a unit label after the box, or nullptr
};

const TextDesign textDesigns[13] = {
    { 3120, 6120, 735, 0, "Label1", nullptr },
    { 4740, 4320, 615, 32, "label15", "Label34" },
    { 5160, 5160, 735, 2, "Label3", nullptr },
    { 4740, 3720, 615, 34, "Label2", nullptr },
    { 1380, 5160, 735, 7, "label5", nullptr },
    { 10140, 3720, 615, 12, "Label9", nullptr },
    { 10140, 4320, 615, 14, "Label10", nullptr },
    { 10140, 4920, 615, 16, "Label11", nullptr },
    { 10140, 5520, 615, 18, "Label12", nullptr },
    { 5160, 6120, 735, 52, "Label30", nullptr },
    { 5160, 5640, 735, 24, "Label13", nullptr },
    { 3120, 5640, 735, 26, "Label14", nullptr },
    { 3120, 5160, 735, 30, "Label16", nullptr },
};

struct SliderDesign {
    int left, top, width; // twips; every slider is 375 twips high
    int tab;
    const char *caption;
};

const SliderDesign sliderDesigns[6] = {
    { 7620, 3720, 2415, 20, "Label9" },
    { 7620, 4320, 2415, 21, "Label10" },
    { 7620, 4920, 2415, 22, "Label11" },
    { 7620, 5520, 2415, 23, "Label12" },
    { 2280, 4320, 2295, 28, "label15" },
    { 2220, 3720, 2295, 33, "Label2" },
};

using Colour = LineControl::Colour;

// Lines on the window's own surface, in twips of the client area: a rule
// along the top, the venous-scale and time-axis ticks, and the marks at the
// load positions of Slider5, Slider2 and Slider4 (they do not follow the
// thumbs). Line1 is drawn as the pen ORed with the inverse of what lies
// beneath, so on the default face it shows nearly black but not quite.
const LineControl::Design windowLineDesigns[] = {
    { "Line34", 0, 0, 9765, 0, Colour::Shadow, 1, false },
    { "Line16", 10770, 840, 10890, 840, Colour::Highlight, 1, false },
    { "Line14", 10770, 1560, 10890, 1560, Colour::Highlight, 1, false },
    { "Line13", 10770, 2280, 10890, 2280, Colour::DarkBlue, 1, false },
    { "Line10", 960, 2520, 960, 2640, Colour::WindowText, 1, false },
    { "Line8", 4740, 2520, 4740, 2640, Colour::WindowText, 1, false },
    { "Line9", 8460, 2520, 8460, 2640, Colour::WindowText, 1, false },
    { "Line7", 3360, 4200, 3360, 4080, Colour::WindowText, 3, false },
    { "Line6", 3420, 4800, 3420, 4680, Colour::WindowText, 3, false },
    { "Line5", 8400, 4080, 8400, 4200, Colour::WindowText, 3, false },
    { "Line4", 8400, 4680, 8400, 4800, Colour::WindowText, 3, false },
    { "Line3", 8640, 5280, 8640, 5400, Colour::WindowText, 3, false },
    { "Line1", 8640, 6000, 8640, 5880, Colour::WindowText, 4, true },
};

QFont labelFont(LabelFont size)
{
    QFont font = QApplication::font();
    font.setPixelSize(static_cast<int>(size));
    return font;
}

// A caption wraps only at its blanks, where the layout expects it; Qt would
// also break after a slash and leave "min" of "ml/min" on a line of its own.
// A word joiner after each slash keeps such a word whole and shows nothing.
QString keptWhole(const QString &caption)
{
    QString text = caption;
    return text.replace(QLatin1Char('/'), QStringLiteral("/\u2060"));
}

QLabel *createLabel(QWidget &window, const LabelDesign &design)
{
    const QString caption = QLatin1String(design.caption);
    auto *label = new QLabel(keptWhole(caption), &window);
    label->setAccessibleName(caption);
    label->setObjectName(QLatin1String(design.name));
    label->setGeometry(tw(design.left, design.top, design.width, design.height));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(design.alignment | Qt::AlignTop);
    label->setBackgroundRole(QPalette::Button);
    label->setAutoFillBackground(true);
    label->setForegroundRole(design.ink == LabelInk::ButtonText ? QPalette::ButtonText : QPalette::Highlight);
    if (design.font != LabelFont::Default)
        label->setFont(labelFont(design.font));
    if (design.ink == LabelInk::HighlightOnMenu)
        applyMenuColour(*label);
    return label;
}

QString captionOf(const QWidget &window, const char *labelName)
{
    const auto *label = window.findChild<QLabel *>(QLatin1String(labelName), Qt::FindDirectChildrenOnly);
    Q_ASSERT(label);
    return label->accessibleName().trimmed();
}

QLineEdit *createText(QWidget &window, int index)
{
    const TextDesign &design = textDesigns[index];
    auto *box = new QLineEdit(QLatin1String(readoutCreationTexts[static_cast<std::size_t>(index)]), &window);
    box->setObjectName(QStringLiteral("Text%1").arg(index + 1));
    box->setGeometry(tw(design.left, design.top, design.width, 285));
    box->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QString name = captionOf(window, design.caption);
    if (design.unit)
        name += QLatin1Char(' ') + captionOf(window, design.unit);
    box->setAccessibleName(name);
    return box;
}

TrackBar *createSlider(QWidget &window, int index)
{
    const SliderDesign &design = sliderDesigns[index];
    auto *slider = new TrackBar(&window);
    slider->setObjectName(QStringLiteral("Slider%1").arg(index + 1));
    slider->setGeometry(tw(design.left, design.top, design.width, 375));
    slider->setValue(sliderLoadPositions[static_cast<std::size_t>(index)]);
    slider->setAccessibleName(captionOf(window, design.caption));
    return slider;
}

QPushButton *createButton(QWidget &window, const char *name, const char *caption, QRect geometry)
{
    auto *button = new QPushButton(QLatin1String(caption), &window);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// Just the selection circle: the button's own caption lies beyond its width
// and does not show; the larger caption beside it is a separate label.
QRadioButton *createOption(QWidget &window, const char *name, int top, const char *caption)
{
    auto *option = new QRadioButton(QLatin1String(name), &window);
    option->setObjectName(QLatin1String(name));
    option->setGeometry(tw(2400, top, 255, 255));
    option->setAccessibleName(captionOf(window, caption));
    return option;
}

void createLabels(QWidget &window)
{
    for (const LabelDesign &design : labelDesigns)
        createLabel(window, design);
}

void createWindowLines(QWidget &window, Controls &controls)
{
    for (const LineControl::Design &design : windowLineDesigns)
        controls.windowLines.push_back(new LineControl(design, &window));
}

// Created after the labels so that each covers the captions it overlaps.
void createInputsAndOutputs(QWidget &window, Controls &controls)
{
    controls.picture1 = new PlotArea(&window);
    controls.picture1->setGeometry(tw(930, 120, 9735, 2415));
    controls.picture1->setFocusPolicy(Qt::TabFocus);
    controls.picture1->setAccessibleName(QStringLiteral("Aortic and venous pressure trace"));
    for (int index = 0; index < 13; ++index)
        controls.texts[static_cast<std::size_t>(index)] = createText(window, index);
    for (int index = 0; index < 6; ++index)
        controls.sliders[static_cast<std::size_t>(index)] = createSlider(window, index);
    controls.command1 = createButton(window, "Command1", "Start", tw(8820, 6000, 855, 495));
    controls.command2 = createButton(window, "Command2", "Pause", tw(9840, 6000, 795, 495));
    controls.option1 = createOption(window, "Option1", 2760, "Label24");
    controls.option2 = createOption(window, "Option2", 3120, "Label29");
}

void setTabOrder(const Controls &controls)
{
    std::vector<std::pair<int, QWidget *>> order {
        { 4, controls.picture1 },
        { 5, controls.command1 },
        { 6, controls.command2 },
        { 48, controls.option1 },
        { 50, controls.option2 },
    };
    for (std::size_t index = 0; index < controls.texts.size(); ++index)
        order.emplace_back(textDesigns[index].tab, controls.texts[index]);
    for (std::size_t index = 0; index < controls.sliders.size(); ++index)
        order.emplace_back(sliderDesigns[index].tab, controls.sliders[index]);
    std::sort(
        order.begin(), order.end(), [](const auto &first, const auto &second) { return first.first < second.first; });
    for (std::size_t index = 1; index < order.size(); ++index)
        QWidget::setTabOrder(order[index - 1].second, order[index].second);
}

} // namespace

void applyMenuColour(QLabel &label)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::Button, QApplication::palette("QMenu").color(QPalette::Button));
    label.setPalette(palette);
}

Controls createControls(QWidget &window)
{
    Controls controls;
    createLabels(window);
    controls.menuColouredLabel = window.findChild<QLabel *>(QStringLiteral("Label26"));
    createWindowLines(window, controls);
    createInputsAndOutputs(window, controls);
    setTabOrder(controls);
    controls.texts[0]->setFocus();
    return controls;
}

} // namespace talbrix
