#pragma once

#include "storage/fb/Error.h"

#include <firebird/Interface.h>

namespace fb {

Firebird::IMaster* master();

// A status vector for one call of the engine; check() turns a reported error into FbError.
class Status
{
public:
    Status();
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;

    Firebird::CheckStatusWrapper* operator&() { return &m_wrapper; }
    Firebird::CheckStatusWrapper* get() { return &m_wrapper; }
    bool failed() const;
    void check();
    void clear() { m_wrapper.init(); }

private:
    Firebird::IStatus* m_status;
    Firebird::CheckStatusWrapper m_wrapper;
};

} // namespace fb
