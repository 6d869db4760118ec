#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <memory>

namespace talbrix {

// A write that failed (a full disk, a closed output, a reader that has gone
// away); what() says why ("write error: No space left on device").
class TraceWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// CSV written row by row into a buffer that goes out in large blocks, to a
// stream or to a sink that takes each block (a file being saved, a download
// being built), only by flush() or a full buffer. Fields in a row are
// separated by commas; singles are written as printf("%.9g") would (enough
// digits to tell any two apart), texts quoted with inner quotes doubled.
// A failed write throws TraceWriteError at once, and nothing more goes out:
// a truncated table must never pass for a whole one.
class CsvOutput {
public:
    // Takes one block; it may throw TraceWriteError to say it could not be kept.
    using Sink = std::function<void(std::string_view block)>;

    explicit CsvOutput(std::FILE *out);
    explicit CsvOutput(Sink sink);

    // A whole line as it stands (a header), line feed included.
    void line(std::string_view text) { m_buffer += text; }
    void single(float value);
    void integer(long long value);
    void quoted(std::string_view text);
    void word(std::string_view text); // a field that needs no quotes
    void endRow();
    void flush();

private:
    void separate();

    std::FILE *m_out = nullptr;
    Sink m_sink; // used instead of m_out when set
    std::string m_buffer;
    bool m_rowStarted = false;
};

// The same table for spreadsheets that read a decimal comma (and take the
// comma for a decimal point, so "1.33" would read as 133): fields separated
// by semicolons, the decimal point of every number written as a comma, texts
// in quotes exactly as they stand, and a UTF-8 byte-order mark first, by
// which such spreadsheets know the encoding. Made from the standard table
// block by block, as it is written, so that every table of ours has it and
// both forms always hold the same numbers.
class DecimalCommaCsv {
public:
    // The next block of the standard table in the other form.
    std::string convert(std::string_view block);

    // A sink that hands on each block converted.
    static CsvOutput::Sink sink(CsvOutput::Sink next);

private:
    bool m_started = false;
    bool m_quoted = false;
};

} // namespace talbrix
