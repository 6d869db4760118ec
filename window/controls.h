#pragma once

#include "windowinterface.h"

#include <array>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace talbrix {

class LineControl;
class PlotArea;
class TrackBar;

// The window's controls, created once with the window and never added to or
// removed. Every one is a child of the window, named as in the design
// (Text1..Text13, Slider1..Slider6, Label1..Label36, Line1..Line36, ...).
struct Controls {
    std::array<QLineEdit *, readoutCount> texts {}; // Text1..Text13
    std::array<TrackBar *, sliderCount> sliders {}; // Slider1..Slider6
    QPushButton *command1 = nullptr; // "Start"
    QPushButton *command2 = nullptr; // "Pause"
    QRadioButton *option1 = nullptr; // fibrillate
    QRadioButton *option2 = nullptr; // defibrillate
    PlotArea *picture1 = nullptr;
    QLabel *menuColouredLabel = nullptr; // Label26, on the menu colour
    std::vector<QLabel *> labels; // in the order of the form's table
    std::vector<LineControl *> windowLines; // the 13 lines on the window itself

    QLineEdit *text(Readout readout) const { return texts.at(static_cast<std::size_t>(readout) - 1); }
    QLineEdit *heartRate() const { return text(Readout::Text8); }
};

// Creates every control of the window at its place with its creation values,
// stacking (labels lowest, so the controls they overlap cover them), tab
// order and accessible names, and gives Text1 the focus.
Controls createControls(QWidget &window);

// Places and sizes every control at a whole zoom (1 is the form as designed):
// its rectangle and its font grown by the factor, so that text is drawn anew
// at the larger size. The window's own lines and size are the window's job.
void zoomControls(QWidget &window, const Controls &controls, int zoom);

// Label26 sits on the scheme's menu colour, which is not a role of the
// window's own palette; call again when the colour scheme changes.
void applyMenuColour(QLabel &label);

} // namespace talbrix
