#pragma once

#include "storage/StorageError.h"

#include <cstdint>

namespace fb {

// An error reported by the Firebird engine: the engine's text as detail, and the fixed Russian
// sentence that its codes stand for as reason.
class FbError : public StorageError
{
public:
    FbError(const std::string& text, intptr_t code) : StorageError(text), m_code(code) {}
    FbError(const QString& reason, const std::string& text, intptr_t code)
        : StorageError(reason, text), m_code(code)
    {
    }
    // The first ISC error code of the status vector (isc_io_error, isc_lock_conflict, ...).
    intptr_t code() const { return m_code; }

private:
    intptr_t m_code;
};

} // namespace fb
