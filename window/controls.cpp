#include "controls.h"

#include "commandbutton.h"
#include "formtable.h"
#include "linecontrol.h"
#include "plotarea.h"
#include "trackbar.h"
#include "twips.h"
#include "zoom.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace talbrix {

namespace {

using form::Align;
using form::Ink;

Qt::Alignment alignment(Align align)
{
    switch (align) {
    case Align::Right:
        return Qt::AlignRight;
    case Align::Centre:
        return Qt::AlignHCenter;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

QFont fontAt(int pixels, int zoom)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixels * zoom);
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

QLabel *createLabel(QWidget &window, const form::Label &design)
{
    const QString caption = QLatin1String(design.caption);
    auto *label = new QLabel(keptWhole(caption), &window);
    label->setAccessibleName(caption);
    label->setObjectName(QLatin1String(design.name));
    label->setGeometry(tw(design.rect));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(alignment(design.align) | Qt::AlignTop);
    label->setBackgroundRole(QPalette::Button);
    label->setAutoFillBackground(true);
    label->setForegroundRole(design.ink == Ink::ButtonText ? QPalette::ButtonText : QPalette::Highlight);
    if (design.font != form::Font::Default)
        label->setFont(fontAt(form::fontPixels(design.font), 1));
    if (design.ink == Ink::HighlightTextOnMenu)
        applyMenuColour(*label);
    return label;
}

QString captionOf(const QWidget &window, const char *labelName)
{
    const auto *label = window.findChild<QLabel *>(QLatin1String(labelName), Qt::FindDirectChildrenOnly);
    Q_ASSERT(label);
    return label->accessibleName().trimmed();
}

QLineEdit *createText(QWidget &window, const form::TextBox &design)
{
    auto *box = new QLineEdit(QLatin1String(design.text), &window);
    box->setObjectName(QLatin1String(design.name));
    box->setGeometry(tw(design.rect));
    box->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QString name = captionOf(window, design.caption);
    if (design.unit)
        name += QLatin1Char(' ') + captionOf(window, design.unit);
    box->setAccessibleName(name);
    return box;
}

TrackBar *createSlider(QWidget &window, const form::Slider &design)
{
    auto *slider = new TrackBar(&window);
    slider->setObjectName(QLatin1String(design.name));
    slider->setGeometry(tw(design.rect));
    slider->setValue(design.position);
    slider->setAccessibleName(captionOf(window, design.caption));
    return slider;
}

QPushButton *createButton(QWidget &window, const form::Button &design)
{
    auto *button = new CommandButton(QLatin1String(design.caption), &window);
    button->setObjectName(QLatin1String(design.name));
    button->setGeometry(tw(design.rect));
    return button;
}

QRadioButton *createOption(QWidget &window, const form::Option &design)
{
    auto *option = new QRadioButton(QLatin1String(design.name), &window);
    option->setObjectName(QLatin1String(design.name));
    option->setGeometry(tw(design.rect));
    option->setAccessibleName(captionOf(window, design.caption));
    return option;
}

void createLabels(QWidget &window, Controls &controls)
{
    for (const form::Label &design : form::labels)
        controls.labels.push_back(createLabel(window, design));
}

void createWindowLines(QWidget &window, Controls &controls)
{
    for (const form::Line &design : form::windowLines)
        controls.windowLines.push_back(new LineControl(design, &window));
}

// Created after the labels so that each covers the captions it overlaps.
void createInputsAndOutputs(QWidget &window, Controls &controls)
{
    controls.picture1 = new PlotArea(&window);
    controls.picture1->setGeometry(tw(form::picture1.rect));
    controls.picture1->setFocusPolicy(Qt::TabFocus);
    controls.picture1->setAccessibleName(QLatin1String(form::picture1.accessibleName));
    for (std::size_t index = 0; index < controls.texts.size(); ++index)
        controls.texts[index] = createText(window, form::texts[index]);
    for (std::size_t index = 0; index < controls.sliders.size(); ++index)
        controls.sliders[index] = createSlider(window, form::sliders[index]);
    controls.command1 = createButton(window, form::named(form::buttons, "Command1"));
    controls.command2 = createButton(window, form::named(form::buttons, "Command2"));
    controls.option1 = createOption(window, form::named(form::options, "Option1"));
    controls.option2 = createOption(window, form::named(form::options, "Option2"));
}

void setTabOrder(const Controls &controls)
{
    std::vector<std::pair<int, QWidget *>> order {
        { form::picture1.tab, controls.picture1 },
        { form::named(form::buttons, "Command1").tab, controls.command1 },
        { form::named(form::buttons, "Command2").tab, controls.command2 },
        { form::named(form::options, "Option1").tab, controls.option1 },
        { form::named(form::options, "Option2").tab, controls.option2 },
    };
    for (std::size_t index = 0; index < controls.texts.size(); ++index)
        order.emplace_back(form::texts.at(index).tab, controls.texts.at(index));
    for (std::size_t index = 0; index < controls.sliders.size(); ++index)
        order.emplace_back(form::sliders.at(index).tab, controls.sliders.at(index));
    std::sort(
        order.begin(), order.end(), [](const auto &first, const auto &second) { return first.first < second.first; });
    for (std::size_t index = 1; index < order.size(); ++index)
        QWidget::setTabOrder(order[index - 1].second, order[index].second);
}

// A line break pasted into the heart-rate box would end its scenario line
// and leave a record that does not replay. The box keeps the text up to the
// first break, as a single-line box on the classic desktop does with a paste.
void keepOnOneLine(QLineEdit &box)
{
    QObject::connect(&box, &QLineEdit::textEdited, &box, [&box](const QString &text) {
        const qsizetype lineEnd = text.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
        if (lineEnd >= 0)
            box.setText(text.left(lineEnd));
    });
}

} // namespace

void applyMenuColour(QLabel &label)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::Button, QApplication::palette("QMenu").color(QPalette::Button));
    label.setPalette(palette);
}

void zoomControls(QWidget &window, const Controls &controls, int zoom)
{
    // Every control without a font of its own follows the window's; at 100 %
    // the window takes the application's again, as it was created.
    window.setFont(zoom == 1 ? QFont() : fontAt(form::fontPixels(form::Font::Default), zoom));
    for (std::size_t index = 0; index < controls.labels.size(); ++index) {
        const form::Label &design = form::labels.at(index);
        QLabel *label = controls.labels.at(index);
        label->setGeometry(zoomed(tw(design.rect), zoom));
        if (design.font != form::Font::Default)
            label->setFont(fontAt(form::fontPixels(design.font), zoom));
    }
    controls.picture1->setGeometry(zoomed(tw(form::picture1.rect), zoom));
    controls.picture1->setZoom(zoom);
    for (std::size_t index = 0; index < controls.texts.size(); ++index)
        controls.texts.at(index)->setGeometry(zoomed(tw(form::texts.at(index).rect), zoom));
    for (std::size_t index = 0; index < controls.sliders.size(); ++index)
        controls.sliders.at(index)->setGeometry(zoomed(tw(form::sliders.at(index).rect), zoom));
    controls.command1->setGeometry(zoomed(tw(form::named(form::buttons, "Command1").rect), zoom));
    controls.command2->setGeometry(zoomed(tw(form::named(form::buttons, "Command2").rect), zoom));
    controls.option1->setGeometry(zoomed(tw(form::named(form::options, "Option1").rect), zoom));
    controls.option2->setGeometry(zoomed(tw(form::named(form::options, "Option2").rect), zoom));
}

Controls createControls(QWidget &window)
{
    Controls controls;
    createLabels(window, controls);
    controls.menuColouredLabel
        = window.findChild<QLabel *>(QLatin1String(form::named(form::labels, "Label26").name));
    createWindowLines(window, controls);
    createInputsAndOutputs(window, controls);
    setTabOrder(controls);
    keepOnOneLine(*controls.heartRate());
    controls.text(Readout::Text1)->setFocus();
    return controls;
}

} // namespace talbrix
