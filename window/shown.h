#pragma once

#include "catalogue.h"

#include <QString>

#include <initializer_list>
#include <string>
#include <string_view>

namespace talbrix {

// A text of the catalogue in use, its placeholders filled. Access-key
// markers stay: Qt reads "&" as the desktop's marker too.
inline QString shown(std::string_view key, std::initializer_list<std::string> arguments = {})
{
    return QString::fromStdString(textOf(key, arguments));
}

} // namespace talbrix
