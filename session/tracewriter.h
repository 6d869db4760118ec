#pragma once

#include "circulation.h"
#include "csvoutput.h"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace talbrix {

class MemoryWindow;

// Writes the CSV trace: one header line, then one row per state (see
// CsvOutput for how fields are written, buffered and checked). A trace that
// is not flushed at the end is lost.
class TraceWriter {
public:
    using Sink = CsvOutput::Sink;

    explicit TraceWriter(std::FILE *out)
        : m_csv(out)
    {
    }
    explicit TraceWriter(Sink sink)
        : m_csv(std::move(sink))
    {
    }

    void writeHeader();
    void writeRow(
        std::uint64_t tick, const CirculationState &state, const TickOutcome &outcome, const MemoryWindow &window);
    void flush() { m_csv.flush(); }

private:
    CsvOutput m_csv;
};

} // namespace talbrix
