#pragma once

#include <stdexcept>
#include <string>

namespace talbrix {

// A run-time error of the simulation: integer or floating overflow, division
// by zero or an invalid floating operation. There is exactly one exception type
// so that every handler can report any of them the same way; what() is the
// error's name as shown to the user ("Overflow", "Division by zero", ...).
class RuntimeError : public std::runtime_error {
public:
    enum class Kind { Overflow, DivisionByZero, InvalidOperation };

    explicit RuntimeError(Kind kind);

    Kind kind() const noexcept { return m_kind; }

private:
    Kind m_kind;
};

const char *runtimeErrorName(RuntimeError::Kind kind) noexcept;

} // namespace talbrix
