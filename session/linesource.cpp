#include "linesource.h"

#include <cerrno>

namespace talbrix {

std::optional<std::string_view> TextLines::next()
{
    if (m_position >= m_text.size())
        return std::nullopt;
    const std::size_t end = m_text.find('\n', m_position);
    const std::size_t length = (end == std::string_view::npos ? m_text.size() : end) - m_position;
    const std::string_view line = m_text.substr(m_position, length);
    m_position += length + (end == std::string_view::npos ? 0 : 1);
    return line;
}

std::optional<std::string_view> FileLines::next()
{
    if (m_ended)
        return std::nullopt;
    m_line.clear();
    int c = 0;
    while ((c = getc_unlocked(m_file)) != EOF && c != '\n') {
        m_line += static_cast<char>(c);
        if (m_line.size() > m_longest) {
            m_ended = true; // the rest is not read: the line is refused
            return m_line;
        }
    }
    if (c == EOF) {
        m_ended = true;
        if (std::ferror(m_file)) {
            m_error = errno != 0 ? errno : EIO;
            return std::nullopt;
        }
        if (m_line.empty())
            return std::nullopt;
    }
    return m_line;
}

} // namespace talbrix
