#pragma once

#include "circulation.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace talbrix {

class MemoryWindow;

// Writes the CSV trace: one header line, then one row per state. Single
// fields are written as printf("%.9g") would (enough digits to tell any two
// singles apart); the thirteen texts are quoted with inner quotes doubled.
// Output is buffered and written in large blocks, to a stream or to a sink
// that takes each block (a file being saved, a download being built), and
// only by flush() or a full buffer: a trace that is not flushed at the end
// is lost.
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
    // Takes one block of the trace; it may throw TraceWriteError to say the
    // block could not be kept.
    using Sink = std::function<void(std::string_view block)>;

    explicit TraceWriter(std::FILE *out);
    explicit TraceWriter(Sink sink);

    void writeHeader();
    void writeRow(
        std::uint64_t tick, const CirculationState &state, const TickOutcome &outcome, const MemoryWindow &window);
    void flush();

private:
    void appendSingle(float value);
    void appendInteger(long long value);
    void appendQuoted(const std::string &text);

    std::FILE *m_out = nullptr;
    Sink m_sink; // used instead of m_out when set
    std::string m_buffer;
};

} // namespace talbrix
