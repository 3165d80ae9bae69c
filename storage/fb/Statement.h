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

    unsigned paramCount() const;
    void setNull(unsigned index);
    void setInteger(unsigned index, int64_t value);
    void setDouble(unsigned index, double value);
    void setDateTime(unsigned index, double oleDate);
    // For text and blob parameters alike.
    void setBytes(unsigned index, const std::string& bytes);

    // Runs a statement that returns no rows (or one row, as EXECUTE PROCEDURE does).
    void execute(Transaction& transaction);
    void open(Transaction& transaction);
    bool fetch();
    void closeCursor();
    uint64_t affectedRows();

    unsigned columnCount() const;
    std::string columnName(unsigned index) const;
    ColumnKind columnKindAt(unsigned index) const;
    bool isNull(unsigned index) const;
    int64_t getInteger(unsigned index) const;
    double getDouble(unsigned index) const;
    double getDateTime(unsigned index) const;
    // CHAR values come back as stored, blank padding included; blobs are read whole.
    std::string getBytes(unsigned index) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Increments a generator by step and answers its new value.
int64_t nextGeneratorValue(Attachment& attachment, Transaction& transaction,
                           const std::string& generator, int step = 1);

// Conversions between OLE dates and the engine's TIMESTAMP (days from 1858-11-17 and
// 1/10000 s), exact for every whole-second value.
struct Timestamp
{
    int32_t date = 0;
    uint32_t time = 0;
};
Timestamp timestampFromOle(double oleDate);
double oleFromTimestamp(Timestamp timestamp);

} // namespace fb
