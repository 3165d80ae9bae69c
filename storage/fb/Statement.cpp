#include "storage/fb/Statement.h"

#include "storage/fb/Attachment.h"
#include "storage/fb/Status.h"
#include "storage/fb/Transaction.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <utility>

namespace fb {

namespace {

constexpr int OleDayOfEngineEpoch = 15018;  // 1899-12-30 counted from 1858-11-17
constexpr double TicksPerDay = 864000000.0; // engine times count 1/10000 s

struct ParamValue
{
    enum class Kind
    {
        Null,
        Integer,
        Double,
        DateTime,
        Bytes
    } kind = Kind::Null;
    int64_t integer = 0;
    double real = 0.0;
    std::string bytes;
};

double power10(int exponent)
{
    return std::pow(10.0, exponent);
}

template <typename T> T load(const unsigned char* where)
{
    T value;
    std::memcpy(&value, where, sizeof value);
    return value;
}

template <typename T> void store(unsigned char* where, T value)
{
    std::memcpy(where, &value, sizeof value);
}

} // namespace

struct ColumnInfo
{
    unsigned type = 0;
    int scale = 0;
    unsigned length = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
    std::string alias;
};

std::vector<ColumnInfo> describe(Firebird::IMessageMetadata* metadata)
{
    Status status;
    std::vector<ColumnInfo> columns(metadata->getCount(&status));
    status.check();
    for (unsigned i = 0; i < columns.size(); ++i) {
        ColumnInfo& c = columns[i];
        c.type = metadata->getType(&status, i) & ~1u;
        c.scale = metadata->getScale(&status, i);
        c.length = metadata->getLength(&status, i);
        c.offset = metadata->getOffset(&status, i);
        c.nullOffset = metadata->getNullOffset(&status, i);
        c.alias = metadata->getAlias(&status, i);
        status.check();
    }
    return columns;
}

struct Statement::Private
{
    Attachment* attachment = nullptr;
    Transaction* transaction = nullptr;
    Firebird::IStatement* statement = nullptr;
    Firebird::IMessageMetadata* input = nullptr;
    Firebird::IMessageMetadata* output = nullptr;
    Firebird::IResultSet* cursor = nullptr;
    std::vector<unsigned char> inBuffer;
    std::vector<unsigned char> outBuffer;
    std::vector<ParamValue> params;
    std::vector<ColumnInfo> inColumns;
    std::vector<ColumnInfo> outColumns;
    unsigned inCount = 0;
    unsigned outCount = 0;
    Status callStatus; // reused by the calls made once per row

    ~Private()
    {
        Status status;
        if (cursor) {
            cursor->close(&status);
            if (status.failed())
                cursor->release();
            status.clear();
        }
        if (input)
            input->release();
        if (output)
            output->release();
        if (statement) {
            statement->free(&status);
            if (status.failed())
                statement->release();
        }
    }

    void checkParam(unsigned index) const
    {
        if (index >= params.size())
            throw FbError("Parameter index out of range", 0);
    }

    void checkColumn(unsigned index) const
    {
        if (index >= outCount)
            throw FbError("Column index out of range", 0);
    }

    std::string writeBlob(const std::string& bytes)
    {
        Status status;
        ISC_QUAD id{};
        Firebird::IBlob* blob =
            attachment->handle()->createBlob(&status, transaction->handle(), &id, 0, nullptr);
        status.check();
        for (size_t done = 0; done < bytes.size();) {
            const unsigned chunk =
                static_cast<unsigned>(std::min<size_t>(bytes.size() - done, 32768));
            blob->putSegment(&status, chunk, bytes.data() + done);
            if (status.failed()) {
                Status ignored;
                blob->cancel(&ignored);
                if (ignored.failed())
                    blob->release();
                status.check();
            }
            done += chunk;
        }
        blob->close(&status);
        if (status.failed()) {
            blob->release();
            status.check();
        }
        return std::string(reinterpret_cast<const char*>(&id), sizeof id);
    }

    void marshal()
    {
        for (unsigned i = 0; i < inCount; ++i) {
            const ParamValue& p = params[i];
            const ColumnInfo& c = inColumns[i];
            unsigned char* data = inBuffer.data() + c.offset;
            unsigned char* nullFlag = inBuffer.data() + c.nullOffset;
            const unsigned type = c.type;
            const int scale = c.scale;
            const unsigned length = c.length;
            store<short>(nullFlag, p.kind == ParamValue::Kind::Null ? -1 : 0);
            if (p.kind == ParamValue::Kind::Null)
                continue;
            const bool numeric = p.kind == ParamValue::Kind::Integer ||
                                 p.kind == ParamValue::Kind::Double ||
                                 p.kind == ParamValue::Kind::DateTime;
            const double real = p.kind == ParamValue::Kind::Integer ? double(p.integer) : p.real;
            auto scaled = [&]() -> int64_t {
                if (p.kind == ParamValue::Kind::Integer && scale == 0)
                    return p.integer;
                return std::llround(real * power10(-scale));
            };
            switch (type) {
            case SQL_SHORT:
            case SQL_LONG:
            case SQL_INT64:
            case SQL_BOOLEAN:
                if (!numeric)
                    throw FbError("A text value was given for a numeric parameter", 0);
                if (type == SQL_SHORT)
                    store<int16_t>(data, static_cast<int16_t>(scaled()));
                else if (type == SQL_LONG)
                    store<int32_t>(data, static_cast<int32_t>(scaled()));
                else if (type == SQL_INT64)
                    store<int64_t>(data, scaled());
                else
                    store<unsigned char>(data, scaled() != 0);
                break;
            case SQL_FLOAT:
            case SQL_DOUBLE:
            case SQL_D_FLOAT:
                if (!numeric)
                    throw FbError("A text value was given for a numeric parameter", 0);
                if (type == SQL_FLOAT)
                    store<float>(data, static_cast<float>(real));
                else
                    store<double>(data, real);
                break;
            case SQL_TIMESTAMP:
            case SQL_TYPE_DATE:
            case SQL_TYPE_TIME: {
                if (!numeric)
                    throw FbError("A text value was given for a date-time parameter", 0);
                const Timestamp ts = timestampFromOle(real);
                if (type == SQL_TIMESTAMP)
                    store<ISC_TIMESTAMP>(data, ISC_TIMESTAMP{ts.date, ts.time});
                else if (type == SQL_TYPE_DATE)
                    store<ISC_DATE>(data, ts.date);
                else
                    store<ISC_TIME>(data, ts.time);
                break;
            }
            case SQL_TEXT:
            case SQL_VARYING: {
                const std::string text = numeric ? std::to_string(p.integer) : p.bytes;
                if (text.size() > length)
                    throw FbError("String truncation: the value is longer than its column", 0);
                if (type == SQL_TEXT) {
                    std::memset(data, ' ', length);
                    std::memcpy(data, text.data(), text.size());
                } else {
                    store<uint16_t>(data, static_cast<uint16_t>(text.size()));
                    std::memcpy(data + sizeof(uint16_t), text.data(), text.size());
                }
                break;
            }
            case SQL_BLOB: {
                if (numeric)
                    throw FbError("A number was given for a blob parameter", 0);
                const std::string id = writeBlob(p.bytes);
                std::memcpy(data, id.data(), id.size());
                break;
            }
            default:
                throw FbError("Unsupported parameter type " + std::to_string(type), 0);
            }
        }
    }

    // A column of the current row, after checking the index.
    struct ColumnValue
    {
        unsigned type;
        int scale;
        unsigned length;
        const unsigned char* data;
    };
    ColumnValue column(unsigned index) const
    {
        checkColumn(index);
        const ColumnInfo& c = outColumns[index];
        return {c.type, c.scale, c.length, outBuffer.data() + c.offset};
    }
};

Statement::Statement(Attachment& attachment, Transaction& transaction, const std::string& sql,
                     unsigned dialect)
    : d(std::make_unique<Private>())
{
    d->attachment = &attachment;
    Status status;
    d->statement = attachment.handle()->prepare(
        &status, transaction.handle(), static_cast<unsigned>(sql.size()), sql.data(), dialect,
        Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    status.check();
    d->input = d->statement->getInputMetadata(&status);
    status.check();
    d->output = d->statement->getOutputMetadata(&status);
    status.check();
    d->inColumns = describe(d->input);
    d->outColumns = describe(d->output);
    d->inCount = static_cast<unsigned>(d->inColumns.size());
    d->outCount = static_cast<unsigned>(d->outColumns.size());
    d->inBuffer.resize(d->input->getMessageLength(&status));
    d->outBuffer.resize(d->output->getMessageLength(&status));
    status.check();
    d->params.resize(d->inCount);
}

Statement::~Statement() = default;
Statement::Statement(Statement&& other) noexcept = default;
Statement& Statement::operator=(Statement&& other) noexcept = default;

unsigned Statement::paramCount() const
{
    return d->inCount;
}

void Statement::setNull(unsigned index)
{
    d->checkParam(index);
    d->params[index] = ParamValue();
}

void Statement::setInteger(unsigned index, int64_t value)
{
    d->checkParam(index);
    d->params[index] = ParamValue{ParamValue::Kind::Integer, value, 0.0, {}};
}

void Statement::setDouble(unsigned index, double value)
{
    d->checkParam(index);
    d->params[index] = ParamValue{ParamValue::Kind::Double, 0, value, {}};
}

void Statement::setDateTime(unsigned index, double oleDate)
{
    d->checkParam(index);
    d->params[index] = ParamValue{ParamValue::Kind::DateTime, 0, oleDate, {}};
}

void Statement::setBytes(unsigned index, const std::string& bytes)
{
    d->checkParam(index);
    d->params[index] = ParamValue{ParamValue::Kind::Bytes, 0, 0.0, bytes};
}

void Statement::execute(Transaction& transaction)
{
    closeCursor();
    d->transaction = &transaction;
    d->marshal();
    Status& status = d->callStatus;
    status.clear();
    const bool returnsRow = d->outCount > 0;
    d->statement->execute(&status, transaction.handle(), d->input, d->inBuffer.data(),
                          returnsRow ? d->output : nullptr,
                          returnsRow ? d->outBuffer.data() : nullptr);
    status.check();
}

void Statement::open(Transaction& transaction)
{
    closeCursor();
    d->transaction = &transaction;
    d->marshal();
    Status status;
    d->cursor = d->statement->openCursor(&status, transaction.handle(), d->input,
                                         d->inBuffer.data(), d->output, 0);
    status.check();
}

bool Statement::fetch()
{
    if (!d->cursor)
        throw FbError("Fetch without an open cursor", 0);
    Status& status = d->callStatus;
    status.clear();
    const int result = d->cursor->fetchNext(&status, d->outBuffer.data());
    status.check();
    return result == Firebird::IStatus::RESULT_OK;
}

void Statement::closeCursor()
{
    if (!d->cursor)
        return;
    Status status;
    Firebird::IResultSet* cursor = std::exchange(d->cursor, nullptr);
    cursor->close(&status);
    if (status.failed())
        cursor->release();
    status.check();
}

uint64_t Statement::affectedRows()
{
    Status status;
    const uint64_t rows = d->statement->getAffectedRecords(&status);
    status.check();
    return rows;
}

unsigned Statement::columnCount() const
{
    return d->outCount;
}

std::string Statement::columnName(unsigned index) const
{
    d->checkColumn(index);
    return d->outColumns[index].alias;
}

namespace {

ColumnKind kindOf(unsigned type, int scale)
{
    switch (type) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
    case SQL_BOOLEAN:
        return scale == 0 ? ColumnKind::Integer : ColumnKind::Float;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return ColumnKind::Float;
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
        return ColumnKind::DateTime;
    case SQL_TEXT:
    case SQL_VARYING:
        return ColumnKind::Text;
    case SQL_BLOB:
        return ColumnKind::Blob;
    default:
        return ColumnKind::Other;
    }
}

} // namespace

ColumnKind Statement::columnKindAt(unsigned index) const
{
    const auto c = d->column(index);
    return kindOf(c.type, c.scale);
}

bool Statement::isNull(unsigned index) const
{
    d->checkColumn(index);
    return load<short>(d->outBuffer.data() + d->outColumns[index].nullOffset) != 0;
}

int64_t Statement::getInteger(unsigned index) const
{
    const auto c = d->column(index);
    switch (kindOf(c.type, c.scale)) {
    case ColumnKind::Integer:
        if (c.type == SQL_SHORT)
            return load<int16_t>(c.data);
        if (c.type == SQL_LONG)
            return load<int32_t>(c.data);
        if (c.type == SQL_INT64)
            return load<int64_t>(c.data);
        return load<unsigned char>(c.data);
    case ColumnKind::Float:
        return std::llround(getDouble(index));
    default:
        throw FbError("Column " + columnName(index) + " is not numeric", 0);
    }
}

double Statement::getDouble(unsigned index) const
{
    const auto c = d->column(index);
    switch (c.type) {
    case SQL_FLOAT:
        return load<float>(c.data);
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return load<double>(c.data);
    case SQL_SHORT:
        return load<int16_t>(c.data) * power10(c.scale);
    case SQL_LONG:
        return load<int32_t>(c.data) * power10(c.scale);
    case SQL_INT64:
        return double(load<int64_t>(c.data)) * power10(c.scale);
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
        return getDateTime(index);
    default:
        throw FbError("Column " + columnName(index) + " is not numeric", 0);
    }
}

double Statement::getDateTime(unsigned index) const
{
    const auto c = d->column(index);
    switch (c.type) {
    case SQL_TIMESTAMP: {
        const auto ts = load<ISC_TIMESTAMP>(c.data);
        return oleFromTimestamp({ts.timestamp_date, ts.timestamp_time});
    }
    case SQL_TYPE_DATE:
        return oleFromTimestamp({load<ISC_DATE>(c.data), 0});
    case SQL_TYPE_TIME:
        return oleFromTimestamp({OleDayOfEngineEpoch, load<ISC_TIME>(c.data)});
    default:
        throw FbError("Column " + columnName(index) + " is not a date-time", 0);
    }
}

std::string Statement::getBytes(unsigned index) const
{
    const auto c = d->column(index);
    switch (c.type) {
    case SQL_TEXT:
        return std::string(reinterpret_cast<const char*>(c.data), c.length);
    case SQL_VARYING:
        return std::string(reinterpret_cast<const char*>(c.data + sizeof(uint16_t)),
                           load<uint16_t>(c.data));
    case SQL_BLOB: {
        if (!d->transaction)
            throw FbError("Blob read without a transaction", 0);
        ISC_QUAD id = load<ISC_QUAD>(c.data);
        Status status;
        Firebird::IBlob* blob =
            d->attachment->handle()->openBlob(&status, d->transaction->handle(), &id, 0, nullptr);
        status.check();
        std::string bytes;
        char buffer[32768];
        for (;;) {
            unsigned got = 0;
            const int result = blob->getSegment(&status, sizeof buffer, buffer, &got);
            if (status.failed()) {
                blob->release();
                status.check();
            }
            if (result == Firebird::IStatus::RESULT_NO_DATA)
                break;
            bytes.append(buffer, got);
        }
        blob->close(&status);
        if (status.failed()) {
            blob->release();
            status.check();
        }
        return bytes;
    }
    default:
        if (columnKindAt(index) == ColumnKind::Integer)
            return std::to_string(getInteger(index));
        throw FbError("Column " + columnName(index) + " is not text", 0);
    }
}

int64_t nextGeneratorValue(Attachment& attachment, Transaction& transaction,
                           const std::string& generator, int step)
{
    for (char c : generator)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'))
            throw FbError("Invalid generator name " + generator, 0);
    Statement statement(attachment, transaction,
                        "SELECT GEN_ID(" + generator + ", " + std::to_string(step) +
                            ") FROM RDB$DATABASE");
    statement.open(transaction);
    if (!statement.fetch())
        throw FbError("The generator " + generator + " gave no value", 0);
    const int64_t value = statement.getInteger(0);
    statement.closeCursor();
    return value;
}

Timestamp timestampFromOle(double oleDate)
{
    if (!std::isfinite(oleDate))
        throw FbError("The date-time value is not a number", 0);
    // Years 1 to 9999, the range of the engine's TIMESTAMP.
    if (oleDate < -657434.0 || oleDate >= 2958466.0)
        throw FbError("The date-time value is out of range", 0);
    const double whole = std::trunc(oleDate);
    int64_t day = static_cast<int64_t>(whole);
    int64_t ticks = std::llround(std::fabs(oleDate - whole) * TicksPerDay);
    if (ticks >= static_cast<int64_t>(TicksPerDay)) {
        ticks -= static_cast<int64_t>(TicksPerDay);
        day += oleDate >= 0 ? 1 : -1;
    }
    return {static_cast<int32_t>(day + OleDayOfEngineEpoch), static_cast<uint32_t>(ticks)};
}

double oleFromTimestamp(Timestamp timestamp)
{
    const int64_t day = int64_t(timestamp.date) - OleDayOfEngineEpoch;
    const double fraction = double(timestamp.time) / TicksPerDay;
    // Before 1899-12-30 the whole part counts back and the fraction forward.
    return day >= 0 ? double(day) + fraction : double(day) - fraction;
}

} // namespace fb
