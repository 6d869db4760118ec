#pragma once

#include "circulation.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace talbrix {

class MemoryWindow;

// Writes the CSV trace: one header line, then one row per state. Single
// fields are written as printf("%.9g") would (enough digits to tell any two
// singles apart); the thirteen texts are quoted with inner quotes doubled.
// Output is buffered and written in large blocks.
class TraceWriter {
public:
    explicit TraceWriter(std::FILE *out);
    ~TraceWriter();
    TraceWriter(const TraceWriter &) = delete;
    TraceWriter &operator=(const TraceWriter &) = delete;

    void writeHeader();
    void writeRow(
        std::uint64_t tick, const CirculationState &state, const TickOutcome &outcome, const MemoryWindow &window);
    void flush();

private:
    void appendSingle(float value);
    void appendInteger(long long value);
    void appendQuoted(const std::string &text);

    std::FILE *m_out;
    std::string m_buffer;
};

} // namespace talbrix
