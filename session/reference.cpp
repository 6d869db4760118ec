#include "reference.h"

#include "catalogue.h"
#include "csvoutput.h"
#include "floatdigits.h"

#include <array>
#include <cmath>

namespace talbrix {
namespace {

// The unit of each readout's number, Text1..Text13: what the model writes
// there (Text9, under "Contractility", is the ejection's peak flow).
constexpr std::array<const char *, readoutCount> units { "mmHg", "ml", "ml", "ml/mmHg", "ml/min", "mmHg*s/ml",
    "ml/mmHg", "beats/min", "ml/s", "ml", "ml", "mmHg", "" };

const char *rhythmOf(const ControlSettings &controls)
{
    return controls.option == OptionSelection::Fibrillate ? "fibrillating" : "beating";
}

} // namespace

std::string shortNumber(double value)
{
    std::array<char, 32> text {};
    return { text.data(), writeGeneral(text.data(), text.data() + text.size(), value, 6) };
}

Comparison compare(const Reference &reference, const std::array<std::string, readoutCount> &nowTexts,
    const std::optional<BeatRow> &nowBeat, const ControlSettings &nowControls)
{
    Comparison comparison;
    const auto &then = reference.latestBeat ? reference.latestBeat->texts : reference.texts;
    const auto &now = nowBeat ? nowBeat->texts : nowTexts;
    for (std::size_t i = 0; i < then.size(); ++i) {
        ReadoutComparison row { readoutName(static_cast<Readout>(i + 1)), units[i], then[i], now[i], {}, {} };
        const auto a = readoutNumber(then[i]), b = readoutNumber(now[i]);
        if (a && b) {
            row.difference = *b - *a;
            if (*a != 0)
                row.percent = 100 * (*b - *a) / std::fabs(*a);
        }
        comparison.readouts.push_back(std::move(row));
    }
    for (std::size_t i = 0; i < nowControls.sliders.size(); ++i) {
        if (reference.controls.sliders[i] != nowControls.sliders[i])
            comparison.changes.push_back({ sliderName(static_cast<int>(i) + 1),
                std::to_string(reference.controls.sliders[i]), std::to_string(nowControls.sliders[i]) });
    }
    if (std::string_view(rhythmOf(reference.controls)) != rhythmOf(nowControls))
        comparison.changes.push_back({ "rhythm", rhythmOf(reference.controls), rhythmOf(nowControls), true });
    return comparison;
}

std::string changeText(const ControlChange &change)
{
    if (!change.rhythm)
        return textOf("beats.change", { change.name, change.reference, change.now });
    return textOf("beats.change", { textOf("beats.column.rhythm"), rhythmText(change.reference == "fibrillating"),
                                        rhythmText(change.now == "fibrillating") });
}

std::string rhythmText(bool fibrillating)
{
    return fibrillating ? textOf("beats.rhythm.fibrillating") : textOf("beats.rhythm.beating");
}

std::string comparisonTable(const Comparison &comparison, const Reference &reference, const ControlSettings &now)
{
    std::string table;
    CsvOutput csv([&table](std::string_view block) { table += block; });
    csv.line(comparisonHeader);
    for (const ReadoutComparison &row : comparison.readouts) {
        csv.quoted(row.name);
        csv.word(row.unit);
        csv.quoted(row.reference);
        csv.quoted(row.now);
        csv.word(row.difference ? shortNumber(*row.difference) : std::string());
        csv.word(row.percent ? shortNumber(*row.percent) : std::string());
        csv.endRow();
    }
    for (std::size_t i = 0; i < now.sliders.size(); ++i) {
        csv.quoted(sliderName(static_cast<int>(i) + 1));
        csv.word("");
        csv.integer(reference.controls.sliders[i]);
        csv.integer(now.sliders[i]);
        csv.integer(now.sliders[i] - reference.controls.sliders[i]);
        csv.word("");
        csv.endRow();
    }
    csv.word("rhythm");
    csv.word("");
    csv.word(rhythmOf(reference.controls));
    csv.word(rhythmOf(now));
    csv.word("");
    csv.word("");
    csv.endRow();
    csv.flush();
    return table;
}

} // namespace talbrix
