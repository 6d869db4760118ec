#include "tracewriter.h"

#include "floatdigits.h"
#include "memorywindow.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <system_error>

namespace talbrix {
namespace {

constexpr std::size_t flushThreshold = 1 << 16;

constexpr const char *header = "tick,simTime,beatStart,beatPeriod,heartRate,aop,aopSum,lvVolume,lvPressure,"
                               "peakFlow,ejectionFlow,ejecting,aortaVolume,ejectedVolume,strokeVolume,"
                               "venousPressure,fillFraction,resistance,aorticCompliance,plotX,aorticY,plotY,"
                               "beat,cleared,Text1,Text2,Text3,Text4,Text5,Text6,Text7,Text8,Text9,Text10,"
                               "Text11,Text12,Text13\n";

} // namespace

TraceWriter::TraceWriter(std::FILE *out)
    : m_out(out)
{
    m_buffer.reserve(flushThreshold * 2);
}

TraceWriter::TraceWriter(Sink sink)
    : m_sink(std::move(sink))
{
    m_buffer.reserve(flushThreshold * 2);
}

void TraceWriter::writeHeader()
{
    m_buffer += header;
}

void TraceWriter::appendSingle(float value)
{
    // printf's %.9g: enough digits to tell any two singles apart.
    std::array<char, 32> text {};
    m_buffer.append(text.data(), writeGeneral(text.data(), text.data() + text.size(), static_cast<double>(value), 9));
    m_buffer += ',';
}

void TraceWriter::appendInteger(long long value)
{
    std::array<char, 24> text {};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    m_buffer.append(text.data(), result.ptr);
    m_buffer += ',';
}

void TraceWriter::appendQuoted(const std::string &text)
{
    m_buffer += '"';
    for (const char c : text) {
        if (c == '"')
            m_buffer += '"';
        m_buffer += c;
    }
    m_buffer += '"';
}

void TraceWriter::writeRow(
    std::uint64_t tick, const CirculationState &s, const TickOutcome &outcome, const MemoryWindow &window)
{
    appendInteger(static_cast<long long>(tick));
    for (const float value : { s.simTime, s.beatStart, s.beatPeriod, s.heartRate, s.aop, s.aopSum, s.lvVolume,
             s.lvPressure, s.peakFlow, s.ejectionFlow })
        appendSingle(value);
    appendInteger(s.ejecting ? 1 : 0);
    for (const float value : { s.aortaVolume, s.ejectedVolume, s.strokeVolume, s.venousPressure, s.fillFraction,
             s.resistance, s.aorticCompliance })
        appendSingle(value);
    appendInteger(s.plotX);
    appendInteger(outcome.aorticY);
    appendInteger(s.plotY);
    appendInteger(outcome.beat ? 1 : 0);
    appendInteger(outcome.cleared ? 1 : 0);
    for (int box = 1; box <= readoutCount; ++box) {
        if (box > 1)
            m_buffer += ',';
        appendQuoted(window.text(static_cast<Readout>(box)));
    }
    m_buffer += '\n';
    if (m_buffer.size() >= flushThreshold)
        flush();
}

void TraceWriter::flush()
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

} // namespace talbrix
