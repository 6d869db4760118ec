#include "tracewriter.h"

#include "memorywindow.h"

namespace talbrix {
namespace {

constexpr const char *header = "tick,simTime,beatStart,beatPeriod,heartRate,aop,aopSum,lvVolume,lvPressure,"
                               "peakFlow,ejectionFlow,ejecting,aortaVolume,ejectedVolume,strokeVolume,"
                               "venousPressure,fillFraction,resistance,aorticCompliance,plotX,aorticY,plotY,"
                               "beat,cleared,Text1,Text2,Text3,Text4,Text5,Text6,Text7,Text8,Text9,Text10,"
                               "Text11,Text12,Text13\n";

} // namespace

void TraceWriter::writeHeader()
{
    m_csv.line(header);
}

void TraceWriter::writeRow(
    std::uint64_t tick, const CirculationState &s, const TickOutcome &outcome, const MemoryWindow &window)
{
    m_csv.integer(static_cast<long long>(tick));
    for (const float value : { s.simTime, s.beatStart, s.beatPeriod, s.heartRate, s.aop, s.aopSum, s.lvVolume,
             s.lvPressure, s.peakFlow, s.ejectionFlow })
        m_csv.single(value);
    m_csv.integer(s.ejecting ? 1 : 0);
    for (const float value : { s.aortaVolume, s.ejectedVolume, s.strokeVolume, s.venousPressure, s.fillFraction,
             s.resistance, s.aorticCompliance })
        m_csv.single(value);
    m_csv.integer(s.plotX);
    m_csv.integer(outcome.aorticY);
    m_csv.integer(s.plotY);
    m_csv.integer(outcome.beat ? 1 : 0);
    m_csv.integer(outcome.cleared ? 1 : 0);
    for (int box = 1; box <= readoutCount; ++box)
        m_csv.quoted(window.text(static_cast<Readout>(box)));
    m_csv.endRow();
}

} // namespace talbrix
