#pragma once

#include <string>

namespace Firebird {
class IAttachment;
}

namespace fb {

// One connection to a database file served by the embedded engine. Move-only; a connection
// still attached when destroyed is detached without raising.
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
    static Attachment CreateByStatement(const std::string& statement, unsigned dialect = 3);
    // Paths are in the system's file-name encoding, as QFile::encodeName gives them.
    static Attachment Attach(const std::string& path, const std::string& user,
                             const std::string& password, const std::string& charset);

    bool IsAttached() const { return m_handle != nullptr; }
    void Detach();
    // Deletes the database file; the connection ends with it.
    void Drop();
    Firebird::IAttachment* Handle() const { return m_handle; }

private:
    explicit Attachment(Firebird::IAttachment* handle) : m_handle(handle) {}
    void ReleaseQuietly() noexcept;

    Firebird::IAttachment* m_handle = nullptr;
};

// Encloses text in single quotes for an SQL string literal, doubling embedded quotes.
std::string QuoteLiteral(const std::string& text);

} // namespace fb
