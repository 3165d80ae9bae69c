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

    static Transaction StartReadCommitted(Attachment& attachment);

    bool IsActive() const { return m_handle != nullptr; }
    void Commit();
    // Commits and keeps the transaction context open for the next statement.
    void CommitRetaining();
    void Rollback();
    // Undoes everything since the last commit and keeps the transaction context open.
    void RollbackRetaining();
    // Lets go of the handle without asking the engine anything more: after the engine failed,
    // a detach or rollback can end the process.
    void Abandon() noexcept;
    Firebird::ITransaction* Handle() const { return m_handle; }

private:
    explicit Transaction(Firebird::ITransaction* handle) : m_handle(handle) {}
    void ReleaseQuietly() noexcept;

    Firebird::ITransaction* m_handle = nullptr;
};

} // namespace fb
