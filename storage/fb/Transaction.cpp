#include "storage/fb/Transaction.h"

#include "storage/fb/Attachment.h"
#include "storage/fb/Status.h"

#include <utility>

namespace fb {

Transaction::~Transaction()
{
    ReleaseQuietly();
}

Transaction::Transaction(Transaction&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr))
{
}

Transaction& Transaction::operator=(Transaction&& other) noexcept
{
    if (this != &other) {
        ReleaseQuietly();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

Transaction Transaction::StartReadCommitted(Attachment& attachment)
{
    static const unsigned char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_nowait,
                                        isc_tpb_rec_version, isc_tpb_read_committed};
    Status status;
    Firebird::ITransaction* handle =
        attachment.Handle()->startTransaction(&status, sizeof tpb, tpb);
    status.Check();
    return Transaction(handle);
}

void Transaction::Commit()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->commit(&status);
    status.Check();
    m_handle = nullptr;
}

void Transaction::CommitRetaining()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->commitRetaining(&status);
    status.Check();
}

void Transaction::Rollback()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->rollback(&status);
    status.Check();
    m_handle = nullptr;
}

void Transaction::RollbackRetaining()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->rollbackRetaining(&status);
    status.Check();
}

void Transaction::Abandon() noexcept
{
    if (m_handle)
        m_handle->release();
    m_handle = nullptr;
}

void Transaction::ReleaseQuietly() noexcept
{
    if (!m_handle)
        return;
    Status status;
    m_handle->rollback(&status);
    if (status.Failed())
        m_handle->release();
    m_handle = nullptr;
}

} // namespace fb
