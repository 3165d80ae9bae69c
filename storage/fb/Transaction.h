#pragma once

namespace Firebird {
class ITransaction;
}

namespace fb {

class Attachment;

// One transaction: read-write, no wait, read committed with record versions. Move-only; a
// transaction still active when destroyed is rolled back without raising.
class Transaction
{
public:
    Transaction() = default;
    ~Transaction();
    Transaction(Transaction&& other) noexcept;
    Transaction& operator=(Transaction&& other) noexcept;
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    static Transaction startReadCommitted(Attachment& attachment);

    bool isActive() const { return m_handle != nullptr; }
    void commit();
    // Commits and keeps the transaction context open for the next statement.
    void commitRetaining();
    void rollback();
    // Undoes everything since the last commit and keeps the transaction context open.
    void rollbackRetaining();
    // Lets go of the handle without asking the engine anything more: after the engine failed,
    // a detach or rollback can end the process.
    void abandon() noexcept;
    Firebird::ITransaction* handle() const { return m_handle; }

private:
    explicit Transaction(Firebird::ITransaction* handle) : m_handle(handle) {}
    void releaseQuietly() noexcept;

    Firebird::ITransaction* m_handle = nullptr;
};

} // namespace fb
