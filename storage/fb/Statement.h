#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace Firebird {
class IStatement;
class IResultSet;
class IMessageMetadata;
} // namespace Firebird

namespace fb {

class Attachment;
class Transaction;

enum class ColumnKind
{
    Integer,
    Float,
    DateTime,
    Text,
    Blob,
    Other
};

// A prepared statement with positional parameters (?). Values are converted to the types the
// engine describes for each parameter and column; date-time values are OLE dates, text and blob
// contents are bytes. Move-only.
class Statement
{
public:
    // The engine prepares within a transaction; it needs not be the one that executes.
    Statement(Attachment& attachment, Transaction& transaction, const std::string& sql,
              unsigned dialect = 3);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    unsigned ParamCount() const;
    void SetNull(unsigned index);
    void SetInteger(unsigned index, int64_t value);
    void SetDouble(unsigned index, double value);
    void SetDateTime(unsigned index, double oleDate);
    // For text and blob parameters alike.
    void SetBytes(unsigned index, const std::string& bytes);

    // Runs a statement that returns no rows (or one row, as EXECUTE PROCEDURE does).
    void Execute(Transaction& transaction);
    void Open(Transaction& transaction);
    bool Fetch();
    void CloseCursor();
    uint64_t AffectedRows();

    unsigned ColumnCount() const;
    std::string ColumnName(unsigned index) const;
    ColumnKind ColumnKindAt(unsigned index) const;
    bool IsNull(unsigned index) const;
    int64_t GetInteger(unsigned index) const;
    double GetDouble(unsigned index) const;
    double GetDateTime(unsigned index) const;
    // CHAR values come back as stored, blank padding included; blobs are read whole.
    std::string GetBytes(unsigned index) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Increments a generator by step and answers its new value.
int64_t NextGeneratorValue(Attachment& attachment, Transaction& transaction,
                           const std::string& generator, int step = 1);

// Conversions between OLE dates and the engine's TIMESTAMP (days from 1858-11-17 and
// 1/10000 s), exact for every whole-second value.
struct Timestamp
{
    int32_t date = 0;
    uint32_t time = 0;
};
Timestamp TimestampFromOle(double oleDate);
double OleFromTimestamp(Timestamp timestamp);

} // namespace fb
