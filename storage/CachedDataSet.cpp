#include "storage/CachedDataSet.h"

#include "storage/CachedRow.h"
#include "storage/FbDatabase.h"
#include "storage/FbTransaction.h"
#include "storage/Field.h"
#include "storage/NamedParams.h"
#include "storage/StorageError.h"
#include "storage/fb/Statement.h"

#include <algorithm>

namespace {

const FieldValue NullValue;

int compareValues(const FieldValue& a, const FieldValue& b)
{
    const bool aNull = a.isNull();
    const bool bNull = b.isNull();
    if (aNull || bNull)
        return int(bNull) - int(aNull);
    if (const auto* x = a.bytes()) {
        const auto* y = b.bytes();
        return y ? x->compare(*y) : 1;
    }
    if ((b.bytes() != nullptr))
        return -1;
    const double x = a.integer() ? double(*a.integer()) : *a.real();
    const double y = b.integer() ? double(*b.integer()) : *b.real();
    return x < y ? -1 : (y < x ? 1 : 0);
}

} // namespace

// A prepared statement with the fields its parameters and columns stand for.
struct PreparedStatement
{
    struct Param
    {
        int field;
        bool old;
    };
    std::unique_ptr<fb::Statement> statement;
    std::vector<Param> params;
    std::vector<int> columnOfField;
};

struct CachedDataSet::Statements
{
    PreparedStatement refresh;
    PreparedStatement insert;
    PreparedStatement update;
    PreparedStatement remove;
};

CachedDataSet::CachedDataSet(QObject* parent, const QString& name) : QObject(parent)
{
    setObjectName(name);
}

CachedDataSet::~CachedDataSet() = default;

Field* CachedDataSet::addField(const QString& objectName, const QString& fieldName, FieldKind kind)
{
    if (active())
        throw StorageError("Fields cannot be added to an open dataset");
    auto* field = new Field(this, objectName, fieldName, kind);
    field->m_index = static_cast<int>(m_fields.size());
    m_fields.push_back(field);
    return field;
}

Field* CachedDataSet::findField(const QString& fieldName) const
{
    for (Field* field : m_fields)
        if (field->fieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return field;
    return nullptr;
}

Field* CachedDataSet::fieldByName(const QString& fieldName) const
{
    Field* field = findField(fieldName);
    if (!field)
        throw StorageError(objectName().toStdString() + ": field '" + fieldName.toStdString() +
                           "' not found");
    return field;
}

namespace {

void bindColumns(PreparedStatement& prepared, const std::vector<Field*>& fields,
                 const QString& dataSetName)
{
    fb::Statement& statement = *prepared.statement;
    prepared.columnOfField.assign(fields.size(), -1);
    for (unsigned column = 0; column < statement.columnCount(); ++column) {
        const QString name = QString::fromStdString(statement.columnName(column));
        for (const Field* field : fields)
            if (field->fieldName().compare(name, Qt::CaseInsensitive) == 0)
                prepared.columnOfField[field->index()] = static_cast<int>(column);
    }
    for (const Field* field : fields)
        if (prepared.columnOfField[field->index()] < 0)
            throw StorageError(dataSetName.toStdString() + ": field '" +
                               field->fieldName().toStdString() + "' not found");
}

void readColumns(const PreparedStatement& prepared, const std::vector<Field*>& fields,
                 FieldValue* values)
{
    const fb::Statement& statement = *prepared.statement;
    for (const Field* field : fields) {
        const unsigned column = static_cast<unsigned>(prepared.columnOfField[field->index()]);
        FieldValue& value = values[field->index()];
        if (statement.isNull(column)) {
            value = FieldValue();
            continue;
        }
        switch (field->kind()) {
        case FieldKind::Integer:
            value = statement.getInteger(column);
            break;
        case FieldKind::Float:
            value = statement.getDouble(column);
            break;
        case FieldKind::DateTime:
            value = statement.getDateTime(column);
            break;
        case FieldKind::String: {
            QByteArray text = QByteArray::fromStdString(statement.getBytes(column));
            qsizetype length = text.size();
            while (length > 0 && static_cast<unsigned char>(text[length - 1]) < 33)
                --length;
            text.truncate(length);
            value = std::move(text);
            break;
        }
        case FieldKind::Blob:
            value = QByteArray::fromStdString(statement.getBytes(column));
            break;
        }
    }
}

} // namespace

void CachedDataSet::open()
{
    if (active())
        return;
    if (!m_database || !m_transaction)
        throw StorageError(objectName().toStdString() + ": no database");
    m_transaction->ensureStarted();
    PreparedStatement select;
    QStringList names;
    const QString sql = toPositionalParams(selectSql(), names);
    select.statement = std::make_unique<fb::Statement>(
        m_database->attachment(), m_transaction->handle(), sql.toStdString(),
        static_cast<unsigned>(m_database->sqlDialect()));
    bindColumns(select, m_fields, objectName());
    select.statement->open(m_transaction->handle());
    // Rows and their values are taken from large blocks: one allocation per row would make
    // opening a big project markedly slower and larger.
    constexpr size_t BlockRows = 4096;
    const size_t fieldCount = m_fields.size();
    std::vector<std::unique_ptr<CachedRow[]>> rowBlocks;
    std::vector<std::unique_ptr<FieldValue[]>> valueBlocks;
    std::vector<RowPtr> rows;
    size_t inBlock = BlockRows;
    while (select.statement->fetch()) {
        if (inBlock == BlockRows) {
            rowBlocks.push_back(std::make_unique<CachedRow[]>(BlockRows));
            valueBlocks.push_back(std::make_unique<FieldValue[]>(BlockRows * fieldCount));
            inBlock = 0;
        }
        CachedRow* row = &rowBlocks.back()[inBlock];
        row->values = ValueArray::borrowed(&valueBlocks.back()[inBlock * fieldCount]);
        ++inBlock;
        readColumns(select, m_fields, row->values.get());
        row->position = static_cast<uint32_t>(rows.size());
        rows.push_back(RowPtr::borrowed(row));
    }
    select.statement->closeCursor();
    m_rowBlocks = std::move(rowBlocks);
    m_valueBlocks = std::move(valueBlocks);
    m_rows = std::move(rows);
    m_visibleCount = m_rows.size();
    m_visibleValid = false;
    m_droppedRows = 0;
    m_changedRows = 0;
    m_cursor = 0;
    m_bof = true;
    m_eof = m_rows.empty();
    rowsReset();
    setState(DataSetState::Browse);
    notifyDataSetChanged();
    scrolled();
}

void CachedDataSet::close()
{
    if (!active())
        return;
    m_editBuffer.reset();
    m_insertRow.reset();
    m_written.clear();
    m_statements.reset();
    m_rows.clear();
    m_rowBlocks.clear();
    m_valueBlocks.clear();
    m_visible.clear();
    m_visibleValid = false;
    m_visibleCount = 0;
    m_droppedRows = 0;
    m_changedRows = 0;
    m_cursor = 0;
    m_eof = m_bof = true;
    rowsReset();
    setState(DataSetState::Inactive);
    notifyDataSetChanged();
}

void CachedDataSet::first()
{
    checkBrowseMode();
    rebuildVisible();
    m_bof = true;
    m_eof = visibleSize() == 0;
    if (!m_eof)
        m_cursor = visibleAt(0)->position;
    scrolled();
}

void CachedDataSet::last()
{
    checkBrowseMode();
    rebuildVisible();
    m_eof = true;
    m_bof = visibleSize() == 0;
    if (!m_bof)
        m_cursor = visibleAt(visibleSize() - 1)->position;
    scrolled();
}

void CachedDataSet::next()
{
    checkBrowseMode();
    if (recordCount() == 0) {
        m_eof = true;
        return;
    }
    for (size_t i = m_cursor + 1; i < m_rows.size(); ++i)
        if (m_rows[i]->visible()) {
            m_cursor = i;
            m_bof = m_eof = false;
            scrolled();
            return;
        }
    m_eof = true;
}

void CachedDataSet::prior()
{
    checkBrowseMode();
    if (recordCount() == 0) {
        m_bof = true;
        return;
    }
    for (size_t i = m_cursor; i-- > 0;)
        if (m_rows[i]->visible()) {
            m_cursor = i;
            m_bof = m_eof = false;
            scrolled();
            return;
        }
    m_bof = true;
}

bool CachedDataSet::eof() const
{
    return m_eof || recordCount() == 0;
}

bool CachedDataSet::bof() const
{
    return m_bof || recordCount() == 0;
}

int CachedDataSet::recordCount() const
{
    return static_cast<int>(m_visibleCount);
}

int CachedDataSet::recNo() const
{
    const CachedRow* row = currentRow();
    if (!row || row == m_insertRow.get())
        return -1;
    rebuildVisible();
    if (m_allVisible)
        return static_cast<int>(row->position);
    const auto it = std::lower_bound(
        m_visible.begin(), m_visible.end(), row->position,
        [](const CachedRow* r, size_t position) { return r->position < position; });
    return it != m_visible.end() && *it == row ? static_cast<int>(it - m_visible.begin()) : -1;
}

void CachedDataSet::setRecNo(int index)
{
    checkBrowseMode();
    rebuildVisible();
    if (index < 0 || size_t(index) >= visibleSize())
        throw StorageError(objectName().toStdString() + ": row number out of range");
    m_cursor = visibleAt(size_t(index))->position;
    m_bof = m_eof = false;
    scrolled();
}

void CachedDataSet::moveToRow(CachedRow* row)
{
    checkBrowseMode();
    if (row && row->visible()) {
        m_cursor = row->position;
        m_bof = m_eof = false;
    } else {
        rebuildVisible();
        if (visibleSize() > 0)
            m_cursor = visibleAt(visibleSize() - 1)->position;
        m_eof = true;
    }
    scrolled();
}

void CachedDataSet::edit()
{
    checkActive();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert)
        return;
    CachedRow* row = currentRow();
    if (!row)
        throw StorageError(objectName().toStdString() + ": no row to edit");
    m_editBuffer = std::make_unique<std::vector<FieldValue>>(row->values.get(),
                                                             row->values.get() + m_fields.size());
    setState(DataSetState::Edit);
}

void CachedDataSet::append()
{
    checkBrowseMode();
    m_insertRow = std::make_unique<CachedRow>();
    m_insertRow->values = newValueArray(m_fields.size());
    m_insertRow->status = UpdateStatus::Inserted;
    setState(DataSetState::Insert);
    if (!OnNewRecord)
        return;
    try {
        OnNewRecord(this);
    } catch (...) {
        cancel();
        throw;
    }
}

void CachedDataSet::post()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    for (const auto& updater : std::vector(m_recordUpdaters))
        updater.second();
    if (m_state == DataSetState::Edit) {
        CachedRow* row = currentRow();
        std::unique_ptr<std::vector<FieldValue>> buffer = std::move(m_editBuffer);
        const bool changed = !std::equal(buffer->begin(), buffer->end(), row->values.get());
        if (changed) {
            if (row->status == UpdateStatus::Unchanged) {
                row->original = std::move(row->values);
                row->values = newValueArray(m_fields.size());
                row->status = UpdateStatus::Modified;
                ++m_changedRows;
            }
            std::move(buffer->begin(), buffer->end(), row->values.get());
            rowsReset();
        }
        setState(DataSetState::Browse);
        if (changed && !controlsDisabled())
            emit recordChanged(nullptr);
        return;
    }
    RowPtr row(m_insertRow.release());
    row->position = static_cast<uint32_t>(m_rows.size());
    CachedRow* appended = row.get();
    m_rows.push_back(std::move(row));
    if (m_visibleValid && !m_allVisible)
        m_visible.push_back(appended);
    ++m_visibleCount;
    ++m_changedRows;
    m_cursor = appended->position;
    m_bof = m_eof = false;
    rowAppended(appended);
    setState(DataSetState::Browse);
    notifyDataSetChanged();
}

void CachedDataSet::cancel()
{
    if (m_state == DataSetState::Edit) {
        m_editBuffer.reset();
        setState(DataSetState::Browse);
        if (!controlsDisabled())
            emit recordChanged(nullptr);
    } else if (m_state == DataSetState::Insert) {
        m_insertRow.reset();
        setState(DataSetState::Browse);
        notifyDataSetChanged();
    }
}

void CachedDataSet::deleteRecord()
{
    checkActive();
    if (m_state == DataSetState::Insert) {
        cancel();
        return;
    }
    cancel();
    CachedRow* row = currentRow();
    if (!row)
        throw StorageError(objectName().toStdString() + ": no row to delete");
    rowHidden(row);
    --m_visibleCount;
    markDeleted(row);
    m_visibleValid = false;
    // The next row becomes current, or the one before when the last row went.
    CachedRow* target = nullptr;
    for (size_t i = row->position + 1; i < m_rows.size() && !target; ++i)
        if (m_rows[i]->visible())
            target = m_rows[i].get();
    for (size_t i = row->position; i-- > 0 && !target;)
        if (m_rows[i]->visible())
            target = m_rows[i].get();
    compact();
    m_cursor = target ? target->position : 0;
    m_eof = target == nullptr;
    notifyDataSetChanged();
    scrolled();
}

void CachedDataSet::markDeleted(CachedRow* row)
{
    if (row->status == UpdateStatus::Inserted) {
        // Never written: it goes without a trace.
        row->dropped = true;
        --m_changedRows;
        ++m_droppedRows;
    } else {
        if (row->status == UpdateStatus::Unchanged)
            ++m_changedRows;
        row->status = UpdateStatus::Deleted;
    }
}

void CachedDataSet::deleteAll()
{
    checkBrowseMode();
    for (const RowPtr& row : m_rows)
        if (row->visible())
            markDeleted(row.get());
    m_visibleCount = 0;
    m_visibleValid = false;
    rowsReset();
    compact();
    m_cursor = 0;
    m_bof = m_eof = true;
    notifyDataSetChanged();
    scrolled();
}

UpdateStatus CachedDataSet::updateStatus() const
{
    const CachedRow* row = currentRow();
    return row ? row->status : UpdateStatus::Unchanged;
}

CachedDataSet::Statements& CachedDataSet::preparedStatements()
{
    if (!m_statements)
        m_statements = std::make_unique<Statements>();
    return *m_statements;
}

namespace {

PreparedStatement& prepare(PreparedStatement& prepared, const QString& sqlText,
                           FbDatabase* database, FbTransaction* transaction,
                           const std::vector<Field*>& fields, bool readsRows,
                           const QString& dataSetName)
{
    if (prepared.statement)
        return prepared;
    if (sqlText.trimmed().isEmpty())
        throw StorageError(dataSetName.toStdString() + ": statement missing");
    QStringList names;
    const QString sql = toPositionalParams(sqlText, names);
    std::vector<PreparedStatement::Param> params;
    for (const QString& name : names) {
        const Field* field = nullptr;
        bool old = false;
        for (const Field* f : fields)
            if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
                field = f;
        if (!field && name.startsWith("OLD_", Qt::CaseInsensitive)) {
            old = true;
            for (const Field* f : fields)
                if (f->fieldName().compare(name.mid(4), Qt::CaseInsensitive) == 0)
                    field = f;
        }
        if (!field)
            throw StorageError(dataSetName.toStdString() + ": parameter '" + name.toStdString() +
                               "' names no field");
        params.push_back({field->index(), old});
    }
    auto statement = std::make_unique<fb::Statement>(database->attachment(), transaction->handle(),
                                                     sql.toStdString(),
                                                     static_cast<unsigned>(database->sqlDialect()));
    prepared.statement = std::move(statement);
    prepared.params = std::move(params);
    if (readsRows)
        bindColumns(prepared, fields, dataSetName);
    return prepared;
}

void bindParams(PreparedStatement& prepared, const std::vector<Field*>& fields,
                const FieldValue* current, const FieldValue* old)
{
    fb::Statement& statement = *prepared.statement;
    for (unsigned i = 0; i < prepared.params.size(); ++i) {
        const auto& param = prepared.params[i];
        const FieldValue& value = param.old ? old[param.field] : current[param.field];
        if (value.isNull())
            statement.setNull(i);
        else if (const auto integer = value.integer())
            statement.setInteger(i, *integer);
        else if (const auto real = value.real()) {
            if (fields[param.field]->kind() == FieldKind::DateTime)
                statement.setDateTime(i, *real);
            else
                statement.setDouble(i, *real);
        } else
            statement.setBytes(i, value.bytes()->toStdString());
    }
}

void bindParams(PreparedStatement& prepared, const std::vector<Field*>& fields,
                const CachedRow& row)
{
    bindParams(prepared, fields, row.values.get(), row.oldValues());
}

} // namespace

PreparedStatement& CachedDataSet::prepareInsert()
{
    PreparedStatement& insert = preparedStatements().insert;
    if (insert.statement)
        return insert;
    // The new row comes back from the insert itself instead of a refresh statement run per row,
    // which would make saving many rows several times slower.
    QString sql = insertSql();
    const bool returning =
        !refreshSql().trimmed().isEmpty() && !sql.contains("RETURNING", Qt::CaseInsensitive);
    if (returning) {
        QStringList names;
        for (const Field* field : m_fields)
            names << field->fieldName();
        sql += "\nRETURNING " + names.join(", ");
    }
    return prepare(insert, sql, m_database, m_transaction, m_fields, returning, objectName());
}

void CachedDataSet::refreshRow(CachedRow* row)
{
    if (readBack(row->values.get(), row->oldValues(), row->values.get()))
        rowsReset();
}

bool CachedDataSet::readBack(const FieldValue* current, const FieldValue* old, FieldValue* into)
{
    PreparedStatement& refresh = prepare(preparedStatements().refresh, refreshSql(), m_database,
                                         m_transaction, m_fields, true, objectName());
    bindParams(refresh, m_fields, current, old);
    refresh.statement->open(m_transaction->handle());
    const bool found = refresh.statement->fetch();
    if (found)
        readColumns(refresh, m_fields, into);
    refresh.statement->closeCursor();
    return found;
}

void CachedDataSet::writeRow(CachedRow* row)
{
    PreparedStatement* prepared = nullptr;
    switch (row->status) {
    case UpdateStatus::Unchanged:
        return;
    case UpdateStatus::Modified:
        prepared = &prepare(preparedStatements().update, updateSql(), m_database, m_transaction,
                            m_fields, false, objectName());
        break;
    case UpdateStatus::Inserted:
        prepared = &prepareInsert();
        break;
    case UpdateStatus::Deleted:
        prepared = &prepare(preparedStatements().remove, deleteSql(), m_database, m_transaction,
                            m_fields, false, objectName());
        break;
    }
    bindParams(*prepared, m_fields, *row);
    prepared->statement->execute(m_transaction->handle());
    WrittenRow written{row, nullptr};
    if (row->status != UpdateStatus::Deleted) {
        // The row as stored, kept aside until the write is committed; from then on the row is
        // addressed by its written key.
        written.values = std::make_unique<FieldValue[]>(m_fields.size());
        std::copy(row->values.get(), row->values.get() + m_fields.size(), written.values.get());
        if (prepared->columnOfField.empty())
            readBack(row->values.get(), row->values.get(), written.values.get());
        else
            readColumns(*prepared, m_fields, written.values.get());
    }
    m_written.push_back(std::move(written));
}

void CachedDataSet::writeUpdates()
{
    checkActive();
    checkBrowseMode();
    m_written.clear();
    if (m_changedRows == 0)
        return;
    m_transaction->ensureStarted();
    try {
        for (size_t i = 0; i < m_rows.size(); ++i) {
            CachedRow* row = m_rows[i].get();
            if (!row->dropped)
                writeRow(row);
            if (OnApplyProgress && i % 4096 == 4095)
                OnApplyProgress(i + 1, m_rows.size());
        }
    } catch (...) {
        m_written.clear();
        throw;
    }
}

void CachedDataSet::commitWrittenUpdates()
{
    if (m_written.empty())
        return;
    for (WrittenRow& written : m_written) {
        CachedRow* row = written.row;
        if (row->status == UpdateStatus::Deleted) {
            row->dropped = true;
            ++m_droppedRows;
        } else {
            row->values = ValueArray(written.values.release());
            row->original.reset();
            row->status = UpdateStatus::Unchanged;
        }
        --m_changedRows;
    }
    m_written.clear();
    rowsReset();
    compact();
    notifyDataSetChanged();
}

void CachedDataSet::discardWrittenUpdates()
{
    m_written.clear();
}

void CachedDataSet::applyUpdates()
{
    writeUpdates();
    commitWrittenUpdates();
}

void CachedDataSet::cancelUpdates()
{
    cancel();
    if (!active() || m_changedRows == 0)
        return;
    CachedRow* current = currentRow();
    for (auto& row : m_rows) {
        if (row->dropped)
            continue;
        if (row->status == UpdateStatus::Inserted) {
            row->dropped = true;
            ++m_droppedRows;
        } else if (row->original) {
            row->values = std::move(row->original);
        }
        if (!row->dropped)
            row->status = UpdateStatus::Unchanged;
    }
    m_changedRows = 0;
    m_visibleValid = false;
    rowsReset();
    // compact() frees dropped rows, the current one among them when it was appended.
    if (current && !current->visible())
        current = nullptr;
    compact();
    m_visibleCount = static_cast<size_t>(
        std::count_if(m_rows.begin(), m_rows.end(), [](const auto& r) { return r->visible(); }));
    if (current) {
        m_cursor = current->position;
        m_eof = false;
    } else {
        rebuildVisible();
        m_cursor = visibleSize() == 0 ? 0 : visibleAt(0)->position;
        m_bof = true;
        m_eof = visibleSize() == 0;
    }
    notifyDataSetChanged();
    scrolled();
}

void CachedDataSet::refresh()
{
    checkActive();
    checkBrowseMode();
    CachedRow* row = currentRow();
    // A row with unsaved changes keeps them; only a row as stored is re-read.
    if (row && row->status == UpdateStatus::Unchanged)
        refreshRow(row);
    notifyDataSetChanged();
}

void CachedDataSet::sortBy(const std::vector<Field*>& keys)
{
    checkActive();
    checkBrowseMode();
    CachedRow* current = currentRow();
    std::vector<int> indexes;
    for (const Field* key : keys)
        indexes.push_back(key->index());
    std::stable_sort(m_rows.begin(), m_rows.end(), [&indexes](const RowPtr& a, const RowPtr& b) {
        for (int index : indexes) {
            const int order = compareValues(a->values[index], b->values[index]);
            if (order != 0)
                return order < 0;
        }
        return false;
    });
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i]->position = static_cast<uint32_t>(i);
    m_visibleValid = false;
    if (current)
        m_cursor = current->position;
    notifyDataSetChanged();
    scrolled();
}

void CachedDataSet::addRecordUpdater(QObject* owner, std::function<void()> update)
{
    m_recordUpdaters.emplace_back(owner, std::move(update));
}

void CachedDataSet::removeRecordUpdater(QObject* owner)
{
    std::erase_if(m_recordUpdaters,
                  [owner](const auto& updater) { return updater.first == owner; });
}

void CachedDataSet::redrawControls()
{
    notifyDataSetChanged();
}

void CachedDataSet::disableControls()
{
    ++m_controlsDisabled;
}

void CachedDataSet::enableControls()
{
    if (m_controlsDisabled == 0)
        return;
    if (--m_controlsDisabled == 0) {
        m_changedWhileDisabled = false;
        emit stateChanged(m_state);
        emit dataSetChanged();
    }
}

void CachedDataSet::disableScrollEvents()
{
    ++m_scrollDisabled;
}

void CachedDataSet::enableScrollEvents()
{
    if (m_scrollDisabled > 0)
        --m_scrollDisabled;
}

const FieldValue& CachedDataSet::valueAt(int visibleRow, const Field* field) const
{
    if (visibleRow < 0 || size_t(visibleRow) >= visibleSize())
        return NullValue;
    const CachedRow* row = visibleAt(size_t(visibleRow));
    if (m_state == DataSetState::Edit && row == currentRow())
        return (*m_editBuffer)[static_cast<size_t>(field->index())];
    return row->values[field->index()];
}

QString CachedDataSet::displayTextAt(int visibleRow, const Field* field) const
{
    if (visibleRow < 0 || size_t(visibleRow) >= visibleSize())
        return QString();
    const CachedRow* previous = m_contextRow;
    m_contextRow = visibleAt(size_t(visibleRow));
    QString text;
    try {
        text = field->displayText();
    } catch (...) {
        m_contextRow = previous;
        throw;
    }
    m_contextRow = previous;
    return text;
}

const FieldValue& CachedDataSet::rowValue(const CachedRow* row, const Field* field) const
{
    return row->values[field->index()];
}

CachedRow* CachedDataSet::currentRow() const
{
    if (m_state == DataSetState::Insert)
        return m_insertRow.get();
    if (m_state == DataSetState::Inactive || m_cursor >= m_rows.size())
        return nullptr;
    CachedRow* row = m_rows[m_cursor].get();
    return row->visible() ? row : nullptr;
}

const FieldValue& CachedDataSet::currentValue(const Field* field) const
{
    const CachedRow* row = m_contextRow;
    if (row && !(m_state == DataSetState::Edit && row == currentRow()))
        return row->values[field->index()];
    if (m_state == DataSetState::Edit)
        return (*m_editBuffer)[static_cast<size_t>(field->index())];
    row = currentRow();
    return row ? row->values[field->index()] : NullValue;
}

void CachedDataSet::setCurrentValue(const Field* field, const FieldValue& value)
{
    if (m_state == DataSetState::Edit)
        (*m_editBuffer)[static_cast<size_t>(field->index())] = value;
    else if (m_state == DataSetState::Insert)
        m_insertRow->values[field->index()] = value;
    else
        throw StorageError(objectName().toStdString() + ": not in edit or insert mode");
    if (!controlsDisabled())
        emit recordChanged(const_cast<Field*>(field));
}

void CachedDataSet::setState(DataSetState state)
{
    if (m_state == state)
        return;
    m_state = state;
    if (!controlsDisabled())
        emit stateChanged(state);
}

void CachedDataSet::checkActive() const
{
    if (!active())
        throw StorageError(objectName().toStdString() + ": the dataset is closed");
}

void CachedDataSet::checkBrowseMode()
{
    checkActive();
    post();
}

void CachedDataSet::scrolled()
{
    if (!controlsDisabled())
        emit cursorMoved();
    if (!scrollEventsDisabled())
        emit afterScroll(this);
}

void CachedDataSet::notifyDataSetChanged()
{
    if (controlsDisabled())
        m_changedWhileDisabled = true;
    else
        emit dataSetChanged();
}

void CachedDataSet::rebuildVisible() const
{
    if (m_visibleValid)
        return;
    m_visible.clear();
    // While no row is hidden, the rows are their own list: a large project keeps no copy.
    m_allVisible =
        std::all_of(m_rows.begin(), m_rows.end(), [](const RowPtr& row) { return row->visible(); });
    if (m_allVisible)
        m_visible.shrink_to_fit();
    else
        for (const auto& row : m_rows)
            if (row->visible())
                m_visible.push_back(row.get());
    m_visibleValid = true;
}

size_t CachedDataSet::visibleSize() const
{
    rebuildVisible();
    return m_allVisible ? m_rows.size() : m_visible.size();
}

CachedRow* CachedDataSet::visibleAt(size_t index) const
{
    return m_allVisible ? m_rows[index].get() : m_visible[index];
}

void CachedDataSet::compact()
{
    // Dropped rows are removed in bulk once they are a quarter of all rows: each pass over the
    // rows is paid for by as many drops, so deleting many appended rows stays linear.
    if (m_droppedRows == 0 || m_droppedRows * 4 < m_rows.size())
        return;
    CachedRow* current = m_cursor < m_rows.size() ? m_rows[m_cursor].get() : nullptr;
    size_t kept = 0;
    size_t newCursor = 0;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i]->dropped)
            continue;
        if (m_rows[i].get() == current)
            newCursor = kept;
        m_rows[kept] = std::move(m_rows[i]);
        m_rows[kept]->position = static_cast<uint32_t>(kept);
        ++kept;
    }
    m_rows.resize(kept);
    m_droppedRows = 0;
    m_cursor = newCursor;
}
