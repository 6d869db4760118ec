#include "linesource.h"

#include <cerrno>
#include <cstdlib>
#include <sys/types.h>

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

void FileLines::Free::operator()(char *p) const
{
    std::free(p);
}

std::optional<std::string_view> FileLines::next()
{
    char *buffer = m_buffer.release();
    const ssize_t length = ::getline(&buffer, &m_capacity, m_file);
    m_error = length < 0 && std::ferror(m_file) ? errno : 0;
    m_buffer.reset(buffer);
    if (length <= 0)
        return std::nullopt;
    std::string_view line(buffer, static_cast<std::size_t>(length));
    if (line.back() == '\n')
        line.remove_suffix(1);
    return line;
}

} // namespace talbrix
