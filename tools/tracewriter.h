#pragma once

#include "circulation.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace talbrix {

class MemoryWindow;

// Writes the CSV trace: one header line, then one row per state. Single
// fields are written as printf("%.9g") would (enough digits to tell any two
// singles apart); the thirteen texts are quoted with inner quotes doubled.
// Output is buffered and written in large blocks, and only by flush() or
// a full buffer: a trace that is not flushed at the end is lost.
//
// A write that fails (a full disk, a closed output, a reader that has gone
// away) throws TraceWriteError at once, whose what() says why ("write error:
// No space left on device"): a truncated trace must never pass for a whole
// one.
class TraceWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TraceWriter {
public:
    explicit TraceWriter(std::FILE *out);

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
