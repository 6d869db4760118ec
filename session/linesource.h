#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace talbrix {

// Where the lines of a scenario come from: a file or pipe, or text already in
// memory (a file read whole, a run's own record, the bytes a page was given).
// Lines are bytes, any length, NUL bytes included; a line feed ends a line and
// is not part of it, and a last line without one still counts.
class LineSource {
public:
    virtual ~LineSource() = default;

    // The next line, valid until the next call; nothing at the end of the
    // input or when reading failed.
    virtual std::optional<std::string_view> next() = 0;
    // Why reading failed (an errno value), or 0 at a plain end.
    virtual int error() const { return 0; }
};

class TextLines : public LineSource {
public:
    explicit TextLines(std::string_view text)
        : m_text(text)
    {
    }

    std::optional<std::string_view> next() override;
    std::size_t bytesRead() const { return m_position; }

private:
    std::string_view m_text;
    std::size_t m_position = 0;
};

// Reads a stdio stream, telling a read error apart from the end. A line
// longer than `longest` bytes comes back cut to its first longest + 1 bytes
// and ends the reading, so that input with no line feeds (/dev/zero) takes
// bounded memory and time; the reader refuses such a line.
class FileLines : public LineSource {
public:
    FileLines(std::FILE *file, std::size_t longest)
        : m_file(file)
        , m_longest(longest)
    {
    }

    std::optional<std::string_view> next() override;
    int error() const override { return m_error; }

private:
    std::FILE *m_file;
    std::size_t m_longest;
    std::string m_line;
    int m_error = 0;
    bool m_ended = false;
};

} // namespace talbrix
