#include "readouts.h"

#include "numbertext.h"

#include <QLineEdit>

namespace talbrix {

Readouts::Readouts(const std::array<QLineEdit *, readoutCount> &boxes)
    : m_boxes(boxes)
{
}

void Readouts::publish(Readout readout, Number value, TextForm form)
{
    toText(value, form, m_buffer);
    const QLatin1String text(m_buffer.data(), static_cast<qsizetype>(m_buffer.size()));
    QLineEdit *shown = box(readout);
    // Most readouts repeat their text tick after tick. Rewriting an identical
    // text would only repaint the box and move a reader's cursor; comparing
    // with the Latin-1 text as it stands allocates nothing.
    if (shown->text() != text)
        shown->setText(text);
}

std::string Readouts::heartRateText() const
{
    return box(Readout::Text8)->text().toStdString();
}

} // namespace talbrix
