#pragma once

#include "windowinterface.h"

#include <array>
#include <string>

class QLineEdit;

namespace talbrix {

// The thirteen readout boxes as the model sees them: it replaces a box's
// whole text with a number in its Str or Format form, and reads back what
// Text8 holds (a typed heart rate feeds the cardiac output). The boxes stay
// editable; whatever a user types stays until the model next writes the box.
class Readouts {
public:
    explicit Readouts(const std::array<QLineEdit *, readoutCount> &boxes);

    void publish(Readout readout, Number value, TextForm form);
    std::string heartRateText() const;

private:
    QLineEdit *box(Readout readout) const { return m_boxes.at(static_cast<std::size_t>(readout) - 1); }

    std::array<QLineEdit *, readoutCount> m_boxes;
    std::string m_buffer; // reused for every conversion
};

} // namespace talbrix
