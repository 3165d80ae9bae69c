#include "storage/fb/Attachment.h"

#include "storage/fb/Status.h"

#include <utility>

#include <clocale>
#include <cstring>
#if defined(__unix__) || defined(__APPLE__)
#include <langinfo.h>
#endif

namespace fb {

Attachment::~Attachment()
{
    releaseQuietly();
}

Attachment::Attachment(Attachment&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr))
{
}

Attachment& Attachment::operator=(Attachment&& other) noexcept
{
    if (this != &other) {
        releaseQuietly();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

Attachment Attachment::createByStatement(const std::string& statement, unsigned dialect)
{
    Status status;
    FB_BOOLEAN isCreate = false;
    Firebird::IAttachment* handle = master()->getUtilInterface()->executeCreateDatabase(
        &status, static_cast<unsigned>(statement.size()), statement.data(), dialect, &isCreate);
    status.check();
    Attachment attachment(handle);
    if (!isCreate)
        throw FbError("Not a CREATE DATABASE statement", 0);
    return attachment;
}

namespace {

// The embedded engine's provider alone; the dispatcher would otherwise try the remote one too.
constexpr const char* EmbeddedOnly = "Providers=Engine12";
// The network provider alone, and no link without encryption: a server that offers none is
// refused rather than sent the project's data in the clear. Srp alone never sends the password.
constexpr const char* RemoteEncrypted = "Providers=Remote\nWireCrypt=Required\nAuthClient=Srp";

Firebird::IXpbBuilder* buildDpb(const Attachment::Params& params, bool create)
{
    Status status;
    Firebird::IXpbBuilder* dpb = master()->getUtilInterface()->getXpbBuilder(
        &status, Firebird::IXpbBuilder::DPB, nullptr, 0);
    status.check();
    dpb->insertTag(&status, isc_dpb_utf8_filename);
    dpb->insertString(&status, isc_dpb_config, params.remote ? RemoteEncrypted : EmbeddedOnly);
    if (!params.user.empty())
        dpb->insertString(&status, isc_dpb_user_name, params.user.c_str());
    if (!params.password.empty())
        dpb->insertString(&status, isc_dpb_password, params.password.c_str());
    if (!params.charset.empty())
        dpb->insertString(&status, isc_dpb_lc_ctype, params.charset.c_str());
    if (create) {
        dpb->insertInt(&status, isc_dpb_sql_dialect, static_cast<int>(params.dialect));
        if (params.pageSize != 0)
            dpb->insertInt(&status, isc_dpb_page_size, static_cast<int>(params.pageSize));
        if (!params.defaultCharset.empty())
            dpb->insertString(&status, isc_dpb_set_db_charset, params.defaultCharset.c_str());
    }
    if (status.failed()) {
        dpb->dispose();
        status.check();
    }
    return dpb;
}

// The engine converts UTF-8 file names into the C library's character set before it opens
// them; under the C locale that fails for every letter beyond ASCII.
void useUtf8CharacterType()
{
#if defined(__unix__) || defined(__APPLE__)
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        std::setlocale(LC_CTYPE, "C.UTF-8");
#endif
}

Firebird::IAttachment* connect(const std::string& utf8Path, const Attachment::Params& params,
                               bool create)
{
    useUtf8CharacterType();
    Firebird::IXpbBuilder* dpb = buildDpb(params, create);
    Status status;
    Firebird::IProvider* provider = master()->getDispatcher();
    const unsigned length = dpb->getBufferLength(&status);
    const unsigned char* buffer = dpb->getBuffer(&status);
    Firebird::IAttachment* handle =
        create ? provider->createDatabase(&status, utf8Path.c_str(), length, buffer)
               : provider->attachDatabase(&status, utf8Path.c_str(), length, buffer);
    provider->release();
    dpb->dispose();
    status.check();
    return handle;
}

} // namespace

Attachment Attachment::create(const std::string& utf8Path, const Params& params)
{
    return Attachment(connect(utf8Path, params, true));
}

Attachment Attachment::attach(const std::string& utf8Path, const Params& params)
{
    return Attachment(connect(utf8Path, params, false));
}

Attachment Attachment::attach(const std::string& utf8Path, const std::string& user,
                              const std::string& password, const std::string& charset)
{
    Params params;
    params.user = user;
    params.password = password;
    params.charset = charset;
    return attach(utf8Path, params);
}

void Attachment::detach()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->detach(&status);
    status.check();
    m_handle = nullptr;
}

void Attachment::drop()
{
    if (!m_handle)
        return;
    Status status;
    m_handle->dropDatabase(&status);
    status.check();
    m_handle = nullptr;
}

void Attachment::abandon() noexcept
{
    if (m_handle)
        m_handle->release();
    m_handle = nullptr;
}

void Attachment::releaseQuietly() noexcept
{
    if (!m_handle)
        return;
    Status status;
    m_handle->detach(&status);
    if (status.failed())
        m_handle->release();
    m_handle = nullptr;
}

std::string quoteLiteral(const std::string& text)
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
