#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
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

// Reads a stdio stream, telling a read error apart from the end.
class FileLines : public LineSource {
public:
    explicit FileLines(std::FILE *file)
        : m_file(file)
    {
    }

    std::optional<std::string_view> next() override;
    int error() const override { return m_error; }

private:
    struct Free {
        void operator()(char *p) const;
    };
    std::FILE *m_file;
    std::unique_ptr<char, Free> m_buffer;
    std::size_t m_capacity = 0;
    int m_error = 0;
};

} // namespace talbrix
