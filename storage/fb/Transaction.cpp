#include "storage/fb/Transaction.h"

#include "storage/fb/Attachment.h"
#include "storage/fb/Status.h"

#include <utility>

namespace fb {

Transaction::~Transaction()
{
    releaseQuietly();
}

Transaction::Transaction(Transaction&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr))
{
}

Transaction& Transaction::operator=(Transaction&& other) noexcept
{
    if (this != &other) {
        releaseQuietly();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

Transaction Transaction::startReadCommitted(Attachment& attachment)
{
    static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_nowait,
                                        isc_tpb_rec_version, isc_tpb_read_committed};
    Status status;
    Firebird::ITransaction* handle =
        attachment.handle()->startTransaction(&status, sizeof tpb, tpb);
    status.check();
    return Transaction(handle);
}

void Transaction::commit()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->commit(&status);
    status.check();
    m_handle = nullptr;
}

void Transaction::commitRetaining()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->commitRetaining(&status);
    status.check();
}

void Transaction::rollback()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->rollback(&status);
    status.check();
    m_handle = nullptr;
}

void Transaction::rollbackRetaining()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->rollbackRetaining(&status);
    status.check();
}

void Transaction::abandon() noexcept
{
    if (m_handle)
        m_handle->release();
    m_handle = nullptr;
}

void Transaction::releaseQuietly() noexcept
{
    if (!m_handle)
        return;
    Status status;
    m_handle->rollback(&status);
    if (status.failed())
        m_handle->release();
    m_handle = nullptr;
}

} // namespace fb
