#pragma once

// The window's form: every control's name, rectangle, caption and look, and
// nothing else. The desktop window and the web page both build themselves
// from these tables, so a control is moved or renamed in exactly one place.
//
// Rectangles are in twips from the top-left corner of the window's client
// area, or of Picture1's drawing area for the grid. At 96 dpi one pixel is 15
// twips, and every coordinate here is a multiple of 15.
//
// No toolkit types appear here: colours and fonts are named by role, and each
// edition maps the roles onto its own palette and font.

#include "windowinterface.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace talbrix::form {

inline constexpr int twipsPerPixel = 15;

struct Rect {
    int left, top, width, height; // twips
};

// The window's default dialog font and the two larger captions (the title,
// and the fibrillation option captions), in pixels of the embedded face.
enum class Font { Default, Large, Title };

constexpr int fontPixels(Font font)
{
    switch (font) {
    case Font::Large:
        return 16;
    case Font::Title:
        return 18;
    case Font::Default:
        break;
    }
    return 10;
}

enum class Align { Left, Right, Centre };
// Label text colours; HighlightTextOnMenu also sits on the scheme's menu colour.
enum class Ink { ButtonText, HighlightText, HighlightTextOnMenu };
// Named line colours are colour-scheme roles; Red and DarkBlue are fixed.
enum class LineColour { WindowText, Shadow, Highlight, Red, DarkBlue };

struct Label {
    const char *name;
    const char *caption;
    Rect rect;
    Align align;
    Font font;
    Ink ink;
};

struct TextBox {
    const char *name;
    Rect rect;
    int tab;
    const char *caption; // the label that names it, for screen readers
    const char *unit; // a unit label after the box, or nullptr
    const char *text; // at creation
};

struct Slider {
    const char *name;
    Rect rect;
    int tab;
    const char *caption; // the label at its left
    std::int32_t position; // at load, 0..10
};

struct Button {
    const char *name;
    const char *caption;
    Rect rect;
    int tab;
};

// Just the selection circle: the option's own caption lies beyond its width
// and does not show; the larger caption beside it is a separate label.
struct Option {
    const char *name;
    Rect rect;
    int tab;
    const char *caption; // the label at its right
};

struct Picture {
    const char *name;
    Rect rect;
    int tab;
    const char *accessibleName;
    int border; // pixels of sunken border on each side
};

struct Line {
    const char *name;
    int x1, y1, x2, y2; // twips, in the container's coordinates
    LineColour colour;
    int width; // pixels
    bool invertsBeneath; // pen OR the inverse of what lies beneath
};

struct Window {
    const char *name;
    const char *caption;
    int width, height; // twips of the client area
};

inline constexpr Window window { "Ml", "Talbrix Simulation", 11685, 6570 };

inline constexpr int textHeight = 285; // twips, every text box
inline constexpr int sliderHeight = 375; // twips, every slider

using enum Align;
using enum Font;
using enum Ink;

// In creation order, which is also the stacking order among overlapping
// labels. All labels lie beneath every other control.
inline constexpr std::array<Label, 35> labels { {
    { "Label1", "AOP (mmHg)", { 2040, 6120, 1215, 375 }, Left, Default, ButtonText },
    { "Label2", "V. Compl.", { 1260, 3720, 1095, 255 }, Left, Default, ButtonText },
    { "Label3", "Stroke Vol (ml)", { 3960, 5160, 1095, 375 }, Right, Default, ButtonText },
    { "Label4", " Talbrix Simulator", { 6840, 2880, 3675, 495 }, Left, Title, ButtonText },
    { "label5", "Cardiac Output ml/min", { 600, 5040, 735, 735 }, Centre, Default, ButtonText },
    { "Label6", "0", { 795, 2130, 495, 495 }, Left, Default, ButtonText },
    { "Label7", "100", { 615, 1200, 495, 255 }, Left, Default, ButtonText },
    { "Label8", "200", { 615, 240, 615, 375 }, Left, Default, ButtonText },
    { "Label9", "Periph. Res.", { 6660, 3720, 1095, 375 }, Left, Default, ButtonText },
    { "Label10", "Aortic Compl.", { 6660, 4320, 975, 375 }, Left, Default, ButtonText },
    { "Label11", "Rate (b/m)", { 6660, 4920, 855, 375 }, Left, Default, ButtonText },
    { "Label12", "Contractility", { 6660, 5520, 975, 375 }, Left, Default, ButtonText },
    { "Label13", "LVEDV (ml)", { 4200, 5640, 855, 255 }, Right, Default, ButtonText },
    { "Label14", " Vein Pres (mmHg)", { 1680, 5640, 1335, 375 }, Left, Default, ButtonText },
    { "label15", "Blood Vol", { 1260, 4320, 855, 255 }, Left, Default, ButtonText },
    { "Label16", "Ejec. Frac.", { 2340, 5160, 975, 255 }, Left, Default, ButtonText },
    { "Label17", "Written by the Talbrix authors for teaching the circulation", { 6780, 3240, 3795, 495 }, Centre,
        Default, ButtonText },
    { "Label18", "AOP mmHg", { 120, 1440, 675, 495 }, Left, Default, ButtonText },
    { "Label19", "0", { 900, 2640, 435, 255 }, Left, Default, ButtonText },
    { "Label20", "30", { 4620, 2640, 435, 255 }, Left, Default, ButtonText },
    { "Label21", "60", { 8400, 2640, 315, 255 }, Left, Default, ButtonText },
    { "Label22", "Time in seconds", { 5760, 2520, 1635, 255 }, Left, Default, ButtonText },
    { "Label23", "12", { 11010, 720, 255, 255 }, Left, Default, HighlightText },
    { "Label24", "Fibrillate", { 2760, 2760, 1455, 375 }, Left, Large, ButtonText },
    { "Label25", "6", { 11010, 1440, 255, 255 }, Left, Default, HighlightText },
    { "Label26", "0", { 11010, 2160, 255, 255 }, Left, Default, HighlightTextOnMenu },
    { "Label27", "Ven Press", { 10770, 120, 855, 255 }, Left, Default, HighlightText },
    { "Label28", "mmHg", { 10890, 360, 615, 255 }, Left, Default, HighlightText },
    { "Label29", "Defibrillate", { 2760, 3120, 1215, 255 }, Left, Large, ButtonText },
    { "Label30", "LVESV (ml)", { 4200, 6120, 855, 375 }, Right, Default, ButtonText },
    { "label31", "v10.8", { 11040, 6120, 495, 255 }, Left, Default, ButtonText },
    { "Label32", "50", { 705, 1665, 315, 315 }, Left, Default, ButtonText },
    { "Label33", "150", { 615, 720, 465, 315 }, Left, Default, ButtonText },
    { "Label34", "ml", { 5400, 4320, 615, 375 }, Left, Default, ButtonText },
    { "Label36", "ml", { 0, 0, 375, 255 }, Left, Default, ButtonText },
} };

// Text1..Text13, the readouts, in the model's readout order.
inline constexpr std::array<TextBox, readoutCount> texts { {
    { "Text1", { 3120, 6120, 735, textHeight }, 0, "Label1", nullptr, "0" },
    { "Text2", { 4740, 4320, 615, textHeight }, 32, "label15", "Label34", "5000" },
    { "Text3", { 5160, 5160, 735, textHeight }, 2, "Label3", nullptr, "0" },
    { "Text4", { 4740, 3720, 615, textHeight }, 34, "Label2", nullptr, "50" },
    { "Text5", { 1380, 5160, 735, textHeight }, 7, "label5", nullptr, "0" },
    { "Text6", { 10140, 3720, 615, textHeight }, 12, "Label9", nullptr, "1.33" },
    { "Text7", { 10140, 4320, 615, textHeight }, 14, "Label10", nullptr, ".64" },
    { "Text8", { 10140, 4920, 615, textHeight }, 16, "Label11", nullptr, "84" },
    { "Text9", { 10140, 5520, 615, textHeight }, 18, "Label12", nullptr, "400" },
    { "Text10", { 5160, 6120, 735, textHeight }, 52, "Label30", nullptr, "0" },
    { "Text11", { 5160, 5640, 735, textHeight }, 24, "Label13", nullptr, "0" },
    { "Text12", { 3120, 5640, 735, textHeight }, 26, "Label14", nullptr, "0" },
    { "Text13", { 3120, 5160, 735, textHeight }, 30, "Label16", nullptr, "0" },
} };

// Slider1..Slider6, in the model's slider order.
inline constexpr std::array<Slider, sliderCount> sliders { {
    { "Slider1", { 7620, 3720, 2415, sliderHeight }, 20, "Label9", 3 },
    { "Slider2", { 7620, 4320, 2415, sliderHeight }, 21, "Label10", 3 },
    { "Slider3", { 7620, 4920, 2415, sliderHeight }, 22, "Label11", 4 },
    { "Slider4", { 7620, 5520, 2415, sliderHeight }, 23, "Label12", 4 },
    { "Slider5", { 2280, 4320, 2295, sliderHeight }, 28, "label15", 5 },
    { "Slider6", { 2220, 3720, 2295, sliderHeight }, 33, "Label2", 5 },
} };

// Neither is the window's default or cancel button.
inline constexpr std::array<Button, 2> buttons { {
    { "Command1", "Start", { 8820, 6000, 855, 495 }, 5 },
    { "Command2", "Pause", { 9840, 6000, 795, 495 }, 6 },
} };

// One group: selecting one clears the other. Neither is selected at load.
inline constexpr std::array<Option, 2> options { {
    { "Option1", { 2400, 2760, 255, 255 }, 48, "Label24" },
    { "Option2", { 2400, 3120, 255, 255 }, 50, "Label29" },
} };

// The sunken plot area; its drawing area is 645 x 157 pixels inside the
// border.
inline constexpr Picture picture1 { "Picture1", { 930, 120, 9735, 2415 }, 4, "Aortic and venous pressure trace", 2 };

using enum LineColour;

// Lines on the window's own surface, painted beneath every control and
// label: a rule along the top, the venous-scale and time-axis ticks, and the
// marks at the load positions of Slider5, Slider2 and Slider4 (they do not
// follow the thumbs). Line1 is drawn as the pen ORed with the inverse of what
// lies beneath, so on the default face it shows nearly black but not quite.
inline constexpr std::array<Line, 13> windowLines { {
    { "Line34", 0, 0, 9765, 0, Shadow, 1, false },
    { "Line16", 10770, 840, 10890, 840, Highlight, 1, false },
    { "Line14", 10770, 1560, 10890, 1560, Highlight, 1, false },
    { "Line13", 10770, 2280, 10890, 2280, DarkBlue, 1, false },
    { "Line10", 960, 2520, 960, 2640, WindowText, 1, false },
    { "Line8", 4740, 2520, 4740, 2640, WindowText, 1, false },
    { "Line9", 8460, 2520, 8460, 2640, WindowText, 1, false },
    { "Line7", 3360, 4200, 3360, 4080, WindowText, 3, false },
    { "Line6", 3420, 4800, 3420, 4680, WindowText, 3, false },
    { "Line5", 8400, 4080, 8400, 4200, WindowText, 3, false },
    { "Line4", 8400, 4680, 8400, 4800, WindowText, 3, false },
    { "Line3", 8640, 5280, 8640, 5400, WindowText, 3, false },
    { "Line1", 8640, 6000, 8640, 5880, WindowText, 4, true },
} };

// The grid inside Picture1, top to bottom, in twips of the drawing area. The
// five red lines fall on 16, 12, 8, 4 and 0 mmHg of venous pressure (y = 2160
// - 120 v) and on 196, 148, 100, 52 and 4 mmHg of aortic pressure (y = 2200 -
// 10 p); the rest divide each band. Ends beyond the drawing area are clipped
// away.
inline constexpr std::array<Line, 23> gridLines { {
    { "Line12", 0, 240, 9720, 240, Red, 1, false },
    { "Line33", -45, 330, 9675, 330, Shadow, 1, false },
    { "Line32", -45, 435, 9675, 435, Shadow, 1, false },
    { "Line31", 0, 540, 9720, 540, Shadow, 1, false },
    { "Line36", 9690, 630, 0, 630, Shadow, 1, false },
    { "Line35", 9720, 675, 0, 675, Highlight, 1, false },
    { "Line30", 0, 720, 9720, 720, Red, 1, false },
    { "Line29", -15, 720, 9705, 720, Red, 1, false },
    { "Line28", 0, 825, 9720, 825, Shadow, 1, false },
    { "Line27", 0, 915, 9720, 915, Shadow, 1, false },
    { "Line26", 0, 1020, 9720, 1020, Shadow, 1, false },
    { "Line25", 0, 1110, 9720, 1110, Shadow, 1, false },
    { "Line2", 0, 1200, 9720, 1200, Red, 1, false },
    { "Line24", 0, 1305, 9720, 1305, Shadow, 1, false },
    { "Line23", 0, 1395, 9720, 1395, Highlight, 1, false },
    { "Line21", 0, 1485, 9720, 1485, Shadow, 1, false },
    { "Line15", 0, 1590, 9720, 1590, Shadow, 1, false },
    { "Line17", -15, 1680, 9705, 1680, Red, 1, false },
    { "Line18", -45, 1770, 9675, 1770, Shadow, 1, false },
    { "Line19", -15, 1860, 9705, 1860, Shadow, 1, false },
    { "Line20", 15, 1965, 9735, 1965, Shadow, 1, false },
    { "Line22", 0, 2055, 9765, 2055, Shadow, 1, false },
    { "Line11", 0, 2160, 9720, 2160, Red, 1, false },
} };

// The timer that drives the model: one tick of 0.01 s every 10 ms.
inline constexpr const char *timerName = "Timer1";
inline constexpr int timerMilliseconds = 10;

// The row of a table with the given design name; a name that is not there
// does not compile where it is looked up at compile time.
template <typename Row, std::size_t Count>
constexpr const Row &named(const std::array<Row, Count> &table, std::string_view name)
{
    for (const Row &row : table)
        if (name == row.name)
            return row;
    throw "no control of that name";
}

template <typename Row, std::size_t Count>
constexpr std::size_t indexOf(const std::array<Row, Count> &table, std::string_view name)
{
    return static_cast<std::size_t>(&named(table, name) - table.data());
}

// The text box that holds each readout.
constexpr const TextBox &textOf(Readout readout)
{
    return texts[static_cast<std::size_t>(static_cast<int>(readout) - 1)];
}

} // namespace talbrix::form
