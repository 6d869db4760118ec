#pragma once

#include <string>

namespace talbrix {

// The form's table (formtable.h) as one JSON object, for the web page, which
// builds its controls from it: rectangles in twips, colours and fonts by
// role, the texts' creation texts and the sliders' load positions.
std::string formJson();

} // namespace talbrix
