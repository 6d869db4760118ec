#pragma once

#include "beatlog.h"
#include "runwindow.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talbrix {

// The reference's sweep, drawn beneath the live one: light tints of orange
// and bluish green, told apart from each other and from the live black and
// blue with any of the common colour-vision deficiencies. 0xRRGGBB.
inline constexpr std::uint32_t referenceAorticRgb = 0xF0B050;
inline constexpr std::uint32_t referenceVenousRgb = 0x8CD2BE;

// One tick's two points on the plot, in its twips: the aortic and the venous.
struct SweepPoint {
    std::int16_t x;
    std::int16_t aorticY;
    std::int16_t venousY;

    bool operator==(const SweepPoint &) const = default;
};

// The run as it stood when the user held it as the reference: the sweep's
// points since its last restart, the boxes' texts, the controls and the
// latest beat. The run goes on; the reference stays until it is cleared.
struct Reference {
    std::uint64_t tick = 0;
    std::vector<SweepPoint> sweep;
    std::array<std::string, readoutCount> texts;
    ControlSettings controls;
    std::optional<BeatRow> latestBeat;

    bool operator==(const Reference &) const = default;
};

// Each readout, then and now, at a beat boundary where both have one (the
// latest beat; the boxes as they stood where no beat has come yet).
struct ReadoutComparison {
    std::string name; // as the form labels it
    std::string unit; // of the number, "" for a fraction
    std::string reference;
    std::string now;
    std::optional<double> difference; // now - reference, where both are numbers
    std::optional<double> percent; // of the reference, where it is not 0
};

// A control that differs: "Periph. Res." 3 -> 7, rhythm beating -> fibrillating.
struct ControlChange {
    std::string name;
    std::string reference;
    std::string now;
    bool rhythm = false; // the values are the rhythm's words, not positions
};

// A change as the panels of both editions show it, in the language in use:
// "Slider2 Aortic Compl. 3 -> 0", "rhythm beating -> fibrillating" (tables
// keep the words of the file format).
std::string changeText(const ControlChange &change);
// The rhythm as the panels show it: "beating" or "fibrillating" in the
// language in use.
std::string rhythmText(bool fibrillating);

struct Comparison {
    std::vector<ReadoutComparison> readouts;
    std::vector<ControlChange> changes;
};

Comparison compare(const Reference &reference, const std::array<std::string, readoutCount> &nowTexts,
    const std::optional<BeatRow> &nowBeat, const ControlSettings &nowControls);

// The comparison as a CSV table: a header, then a row for each readout
// (reference, now, difference, percent, unit) and one for each control with
// the reference's setting and the present one.
// A difference or a percentage as the comparison shows it: six significant
// digits, as a difference of two readouts has no more.
std::string shortNumber(double value);

inline constexpr const char *comparisonHeader = "item,unit,reference,now,difference,percent\n";
std::string comparisonTable(const Comparison &comparison, const Reference &reference, const ControlSettings &now);

} // namespace talbrix
