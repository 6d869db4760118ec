#include "runtimeerror.h"

namespace talbrix {

const char *runtimeErrorName(RuntimeError::Kind kind) noexcept
{
    switch (kind) {
    case RuntimeError::Kind::Overflow:
        return "Overflow";
    case RuntimeError::Kind::DivisionByZero:
        return "Division by zero";
    case RuntimeError::Kind::InvalidOperation:
        return "Invalid operation";
    }
    return "Run-time error";
}

RuntimeError::RuntimeError(Kind kind)
    : std::runtime_error(runtimeErrorName(kind))
    , m_kind(kind)
{
}

} // namespace talbrix
