#include "Attachment.h"

#include "Status.h"

#include <utility>

namespace fb {

Attachment::~Attachment()
{
    ReleaseQuietly();
}

Attachment::Attachment(Attachment&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr))
{
}

Attachment& Attachment::operator=(Attachment&& other) noexcept
{
    if (this != &other) {
        ReleaseQuietly();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

Attachment Attachment::CreateByStatement(const std::string& statement, unsigned dialect)
{
    Status status;
    FB_BOOLEAN isCreate = false;
    Firebird::IAttachment* handle = Master()->getUtilInterface()->executeCreateDatabase(
        &status, static_cast<unsigned>(statement.size()), statement.data(), dialect, &isCreate);
    status.Check();
    Attachment attachment(handle);
    if (!isCreate)
        throw FbError("Not a CREATE DATABASE statement", 0);
    return attachment;
}

Attachment Attachment::Attach(const std::string& path, const std::string& user,
                              const std::string& password, const std::string& charset)
{
    Status status;
    Firebird::IXpbBuilder* dpb = Master()->getUtilInterface()->getXpbBuilder(
        &status, Firebird::IXpbBuilder::DPB, nullptr, 0);
    status.Check();
    dpb->insertString(&status, isc_dpb_user_name, user.c_str());
    dpb->insertString(&status, isc_dpb_password, password.c_str());
    dpb->insertString(&status, isc_dpb_lc_ctype, charset.c_str());
    if (status.Failed()) {
        dpb->dispose();
        status.Check();
    }
    Firebird::IProvider* provider = Master()->getDispatcher();
    Firebird::IAttachment* handle = provider->attachDatabase(
        &status, path.c_str(), dpb->getBufferLength(&status), dpb->getBuffer(&status));
    provider->release();
    dpb->dispose();
    status.Check();
    return Attachment(handle);
}

void Attachment::Detach()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->detach(&status);
    status.Check();
    m_handle = nullptr;
}

void Attachment::Drop()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->dropDatabase(&status);
    status.Check();
    m_handle = nullptr;
}

void Attachment::ReleaseQuietly() noexcept
{
    if (!m_handle)
        return;
    Status status;
    m_handle->detach(&status);
    if (status.Failed())
        m_handle->release();
    m_handle = nullptr;
}

std::string QuoteLiteral(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    quoted += '\'';
    return quoted;
}

} // namespace fb
