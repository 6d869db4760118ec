#pragma once

#include "circulation.h"
#include "runwindow.h"
#include "csvoutput.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace talbrix {

// A readout as the form labels it, with its unit label if it has one
// ("AOP (mmHg)", "Blood Vol ml"); a slider by its name and label
// ("Slider1 Periph. Res."). Tables and panels name them so.
std::string readoutName(Readout readout);
std::string sliderName(int slider);
std::string sliderLabel(int slider); // "Periph. Res."
// The number a readout's text shows, or nothing for one too large to read
// (a heart rate typed as 1E999).
std::optional<double> readoutNumber(const std::string &text);

// The run as it stood after a tick that crossed a beat boundary: what a
// student would copy down from the form once a beat, and what the controls
// held.
struct BeatRow {
    std::uint64_t beat = 0; // 1 for the first boundary after load
    std::uint64_t tick = 0; // since load; the model's time is tick x 0.01 s
    std::array<std::string, readoutCount> texts; // Text1..Text13, as the boxes show them
    // The numbers the model last wrote into each box, before they became
    // text: what a lesson checks, whatever a box shows (a student may type
    // into one).
    std::array<double, readoutCount> values {};
    std::array<std::int32_t, sliderCount> sliders {};
    bool fibrillating = false;

    bool operator==(const BeatRow &) const = default;
};

// Whether the run has settled, by one rule every edition shows alike: the
// run is steady from beat B once B and at least the four beats after it have
// the controls unchanged and the readouts the boundary sets once a beat
// (stroke volume, cardiac output, end-systolic and end-diastolic volume,
// ejection fraction) each within 2 % of its value at B, or within one step
// of the last digit shown (".51" and ".52" are no change). A beat that
// strays starts the count again from itself. The mean pressures are left
// out: a beat is a whole number of ticks, one more or one fewer from beat to
// beat, and their means over it wander by a few percent in a settled run.
class SteadyRule {
public:
    static constexpr std::uint64_t beatsNeeded = 5;
    static constexpr double tolerance = 0.02;

    void add(const BeatRow &row);
    // The first beat of the steady stretch, once it is long enough.
    std::optional<std::uint64_t> steadyFrom() const;

private:
    bool matchesStart(const BeatRow &row) const;

    std::optional<BeatRow> m_start;
    std::uint64_t m_length = 0;
};

// Every beat of a run, newest last. A listener hears each row as it comes
// (a panel, or a table being written while the run goes on). The log keeps
// at most maxKeptRows, dropping the oldest: a run of a day at the fastest
// rate keeps them all. A log that keeps none only tells its listener.
class BeatLog {
public:
    static constexpr std::size_t maxKeptRows = 200000;
    using Listener = std::function<void(const BeatRow &)>;

    explicit BeatLog(bool keeping = true, std::size_t keptRows = maxKeptRows)
        : m_keptRows(keeping ? keptRows : 0)
    {
    }

    // After each tick: a row when the tick crossed a boundary, with the
    // numbers the model has written into the boxes.
    void afterTick(std::uint64_t tick, const TickOutcome &outcome, const RunWindow &window,
        const std::array<double, readoutCount> &values = {});
    void setListener(Listener listener) { m_listener = std::move(listener); }

    const std::deque<BeatRow> &rows() const { return m_rows; }
    std::uint64_t beats() const { return m_beats; }
    // The latest row, kept or not.
    const std::optional<BeatRow> &latest() const { return m_latest; }
    std::optional<std::uint64_t> steadyFrom() const { return m_steady.steadyFrom(); }

private:
    std::deque<BeatRow> m_rows;
    std::optional<BeatRow> m_latest;
    std::uint64_t m_beats = 0;
    SteadyRule m_steady;
    Listener m_listener;
    std::size_t m_keptRows;
};

// The beat log as a CSV table: a header naming each readout as the form
// labels it (units as the form shows them), then one row per beat. Numbers
// and texts are written as in the tick trace.
class BeatTableWriter {
public:
    explicit BeatTableWriter(CsvOutput::Sink sink)
        : m_csv(std::move(sink))
    {
    }
    explicit BeatTableWriter(std::FILE *out)
        : m_csv(out)
    {
    }

    void writeHeader();
    void writeRow(const BeatRow &row);
    void flush() { m_csv.flush(); }

private:
    CsvOutput m_csv;
};

// A tick's time since load as the table writes it: seconds to the
// hundredth, exactly ("12.34"), each tick being 0.01 s.
std::string secondsOf(std::uint64_t tick);

// The kept rows of a log as the whole table, as talbrix-trace --beats
// prints it for the same run.
std::string beatTable(const BeatLog &log);

} // namespace talbrix
