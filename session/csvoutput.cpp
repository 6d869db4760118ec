#include "csvoutput.h"

#include "floatdigits.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <system_error>

namespace talbrix {
namespace {

constexpr std::size_t flushThreshold = 1 << 16;

} // namespace

CsvOutput::CsvOutput(std::FILE *out)
    : m_out(out)
{
    m_buffer.reserve(flushThreshold * 2);
}

CsvOutput::CsvOutput(Sink sink)
    : m_sink(std::move(sink))
{
    m_buffer.reserve(flushThreshold * 2);
}

void CsvOutput::separate()
{
    if (m_rowStarted)
        m_buffer += ',';
    m_rowStarted = true;
}

void CsvOutput::single(float value)
{
    separate();
    std::array<char, 32> text {};
    m_buffer.append(text.data(), writeGeneral(text.data(), text.data() + text.size(), static_cast<double>(value), 9));
}

void CsvOutput::integer(long long value)
{
    separate();
    std::array<char, 24> text {};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    m_buffer.append(text.data(), result.ptr);
}

void CsvOutput::quoted(std::string_view text)
{
    separate();
    m_buffer += '"';
    for (const char c : text) {
        if (c == '"')
            m_buffer += '"';
        m_buffer += c;
    }
    m_buffer += '"';
}

void CsvOutput::word(std::string_view text)
{
    separate();
    m_buffer += text;
}

void CsvOutput::endRow()
{
    m_buffer += '\n';
    m_rowStarted = false;
    if (m_buffer.size() >= flushThreshold)
        flush();
}

void CsvOutput::flush()
{
    if (m_sink) {
        if (!m_buffer.empty()) {
            try {
                m_sink(m_buffer);
            } catch (const TraceWriteError &) {
                m_buffer.clear(); // nothing more goes out after the first failure
                throw;
            }
        }
        m_buffer.clear();
        return;
    }
    const bool written
        = (m_buffer.empty() || std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out) == m_buffer.size())
        && std::fflush(m_out) == 0;
    if (written) {
        m_buffer.clear();
        return;
    }
    const int error = errno;
    m_buffer.clear(); // nothing more goes out after the first failure
    throw TraceWriteError("write error: " + std::generic_category().message(error));
}

std::string DecimalCommaCsv::convert(std::string_view block)
{
    std::string out;
    out.reserve(block.size() + 3);
    if (!m_started && !block.empty()) {
        out += "\xEF\xBB\xBF";
        m_started = true;
    }
    // A doubled quote inside a field leaves it and enters it again: the
    // state is right after either quote.
    for (const char c : block) {
        if (c == '"')
            m_quoted = !m_quoted;
        if (!m_quoted && c == ',')
            out += ';';
        else if (!m_quoted && c == '.')
            out += ',';
        else
            out += c;
    }
    return out;
}

CsvOutput::Sink DecimalCommaCsv::sink(CsvOutput::Sink next)
{
    auto converter = std::make_shared<DecimalCommaCsv>();
    return [converter, next = std::move(next)](std::string_view block) { next(converter->convert(block)); };
}

} // namespace talbrix
