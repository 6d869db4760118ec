#pragma once

#include <string>
#include <string_view>

namespace talbrix {

// SHA-256 of some bytes, as 64 lower-case hex digits. Lessons and results are
// known by it: a result names the lesson it answers by the hash of its text.
std::string sha256Hex(std::string_view bytes);

} // namespace talbrix
