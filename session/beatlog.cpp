#include "beatlog.h"

#include "formtable.h"
#include "runtimeerror.h"
#include "val.h"

#include <cmath>
#include <optional>
#include <string_view>

namespace talbrix {
namespace {

// One step of the last digit a text shows: 0.01 for "1.33" or ".81", 1 for
// "5000" or " 40".
double lastDigitStep(std::string_view text)
{
    const auto point = text.find('.');
    if (point == std::string_view::npos)
        return 1;
    std::size_t decimals = 0;
    while (point + 1 + decimals < text.size() && text[point + 1 + decimals] >= '0' && text[point + 1 + decimals] <= '9')
        ++decimals;
    return std::pow(10.0, -static_cast<double>(decimals));
}

bool closeEnough(const std::string &start, const std::string &now)
{
    if (start == now)
        return true;
    const auto a = readoutNumber(start), b = readoutNumber(now);
    if (!a || !b)
        return false;
    const double allowed = std::max(SteadyRule::tolerance * std::fabs(*a),
        std::max(lastDigitStep(start), lastDigitStep(now)));
    return std::fabs(*b - *a) <= allowed * (1 + 1e-9);
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view {}
                                           : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string captionOf(const char *label)
{
    return std::string(trimmed(form::named(form::labels, label).caption));
}

} // namespace

std::optional<double> readoutNumber(const std::string &text)
{
    try {
        return val(text);
    } catch (const RuntimeError &) {
        return std::nullopt;
    }
}

std::string readoutName(Readout readout)
{
    const form::TextBox &box = form::textOf(readout);
    return box.unit ? captionOf(box.caption) + ' ' + captionOf(box.unit) : captionOf(box.caption);
}

std::string sliderLabel(int slider)
{
    return captionOf(form::sliders.at(static_cast<std::size_t>(slider) - 1).caption);
}

std::string sliderName(int slider)
{
    return std::string(form::sliders.at(static_cast<std::size_t>(slider) - 1).name) + ' ' + sliderLabel(slider);
}

bool SteadyRule::matchesStart(const BeatRow &row) const
{
    if (row.sliders != m_start->sliders || row.fibrillating != m_start->fibrillating)
        return false;
    for (const Readout readout : { Readout::Text3, Readout::Text5, Readout::Text10, Readout::Text11, Readout::Text13 }) {
        const auto i = static_cast<std::size_t>(readout) - 1;
        if (!closeEnough(m_start->texts[i], row.texts[i]))
            return false;
    }
    return true;
}

void SteadyRule::add(const BeatRow &row)
{
    if (m_start && matchesStart(row)) {
        ++m_length;
        return;
    }
    m_start = row;
    m_length = 1;
}

std::optional<std::uint64_t> SteadyRule::steadyFrom() const
{
    if (m_length < beatsNeeded)
        return std::nullopt;
    return m_start->beat;
}

void BeatLog::afterTick(
    std::uint64_t tick, const TickOutcome &outcome, const RunWindow &window, const std::array<double, readoutCount> &values)
{
    if (!outcome.beat)
        return;
    BeatRow row;
    row.beat = ++m_beats;
    row.tick = tick;
    for (int box = 1; box <= readoutCount; ++box)
        row.texts[static_cast<std::size_t>(box) - 1] = window.readoutText(static_cast<Readout>(box));
    row.values = values;
    const ControlSettings settings = window.controlSettings();
    row.sliders = settings.sliders;
    row.fibrillating = settings.option == OptionSelection::Fibrillate;
    m_steady.add(row);
    if (m_listener)
        m_listener(row);
    if (m_keptRows > 0) {
        if (m_rows.size() == m_keptRows)
            m_rows.pop_front();
        m_rows.push_back(row);
    }
    m_latest = std::move(row);
}

void BeatTableWriter::writeHeader()
{
    std::string header = "beat,tick,time (s)";
    for (int box = 1; box <= readoutCount; ++box)
        header += ",\"" + readoutName(static_cast<Readout>(box)) + '"';
    for (int slider = 1; slider <= sliderCount; ++slider)
        header += ",\"" + sliderName(slider) + '"';
    header += ",rhythm\n";
    m_csv.line(header);
}

void BeatTableWriter::writeRow(const BeatRow &row)
{
    m_csv.integer(static_cast<long long>(row.beat));
    m_csv.integer(static_cast<long long>(row.tick));
    m_csv.word(secondsOf(row.tick));
    for (const std::string &text : row.texts)
        m_csv.quoted(text);
    for (const std::int32_t position : row.sliders)
        m_csv.integer(position);
    m_csv.word(row.fibrillating ? "fibrillating" : "beating");
    m_csv.endRow();
}

std::string secondsOf(std::uint64_t tick)
{
    return std::to_string(tick / 100) + '.' + static_cast<char>('0' + tick % 100 / 10)
        + static_cast<char>('0' + tick % 10);
}

std::string beatTable(const BeatLog &log)
{
    std::string table;
    BeatTableWriter writer([&table](std::string_view block) { table += block; });
    writer.writeHeader();
    for (const BeatRow &row : log.rows())
        writer.writeRow(row);
    writer.flush();
    return table;
}

} // namespace talbrix
