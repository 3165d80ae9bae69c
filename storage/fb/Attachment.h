#pragma once

#include <string>

namespace Firebird {
class IAttachment;
}

namespace fb {

// One connection to a database file served by the embedded engine, or to a database of a
// Firebird server. Move-only; a connection still attached when destroyed is detached without
// raising.
class Attachment
{
public:
    Attachment() = default;
    ~Attachment();
    Attachment(Attachment&& other) noexcept;
    Attachment& operator=(Attachment&& other) noexcept;
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    // Executes a CREATE DATABASE statement at once (no transaction) and stays attached to
    // the new database.
    static Attachment createByStatement(const std::string& statement, unsigned dialect = 3);

    // What create() and attach() pass to the engine. Paths are UTF-8 whatever the locale, and only
    // the embedded engine serves them, so a ':' in a name never reaches a network address.
    // A server name (remote) goes to the network provider alone, over an encrypted link only.
    struct Params
    {
        bool remote = false;
        std::string user;
        std::string password;
        std::string charset;
        // For create() only: 0 leaves the engine's page size; empty leaves the default charset.
        unsigned pageSize = 0;
        std::string defaultCharset;
        unsigned dialect = 3;
    };
    static Attachment create(const std::string& utf8Path, const Params& params);
    static Attachment attach(const std::string& utf8Path, const Params& params);
    static Attachment attach(const std::string& utf8Path, const std::string& user,
                             const std::string& password, const std::string& charset);

    bool isAttached() const { return m_handle != nullptr; }
    void detach();
    // Deletes the database file; the connection ends with it.
    void drop();
    // Lets go of the handle without asking the engine anything more: after the engine failed,
    // a detach or rollback can end the process.
    void abandon() noexcept;
    Firebird::IAttachment* handle() const { return m_handle; }

private:
    explicit Attachment(Firebird::IAttachment* handle) : m_handle(handle) {}
    void releaseQuietly() noexcept;

    Firebird::IAttachment* m_handle = nullptr;
};

// Encloses text in single quotes for an SQL string literal, doubling embedded quotes.
std::string quoteLiteral(const std::string& text);

} // namespace fb
