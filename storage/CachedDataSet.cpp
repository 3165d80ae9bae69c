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

int CompareValues(const FieldValue& a, const FieldValue& b)
{
    const bool aNull = a.IsNull();
    const bool bNull = b.IsNull();
    if (aNull || bNull)
        return int(bNull) - int(aNull);
    if (const auto* x = a.Bytes()) {
        const auto* y = b.Bytes();
        return y ? x->compare(*y) : 1;
    }
    if ((b.Bytes() != nullptr))
        return -1;
    const double x = a.Integer() ? double(*a.Integer()) : *a.Real();
    const double y = b.Integer() ? double(*b.Integer()) : *b.Real();
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

TField* CachedDataSet::AddField(const QString& objectName, const QString& fieldName, FieldKind kind)
{
    if (Active())
        throw StorageError("Fields cannot be added to an open dataset");
    auto* field = new TField(this, objectName, fieldName, kind);
    field->m_index = static_cast<int>(m_fields.size());
    m_fields.push_back(field);
    return field;
}

TField* CachedDataSet::FindField(const QString& fieldName) const
{
    for (TField* field : m_fields)
        if (field->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return field;
    return nullptr;
}

TField* CachedDataSet::FieldByName(const QString& fieldName) const
{
    TField* field = FindField(fieldName);
    if (!field)
        throw StorageError(objectName().toStdString() + ": field '" + fieldName.toStdString() +
                           "' not found");
    return field;
}

namespace {

void BindColumns(PreparedStatement& prepared, const std::vector<TField*>& fields,
                 const QString& dataSetName)
{
    fb::Statement& statement = *prepared.statement;
    prepared.columnOfField.assign(fields.size(), -1);
    for (unsigned column = 0; column < statement.ColumnCount(); ++column) {
        const QString name = QString::fromStdString(statement.ColumnName(column));
        for (const TField* field : fields)
            if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0)
                prepared.columnOfField[field->Index()] = static_cast<int>(column);
    }
    for (const TField* field : fields)
        if (prepared.columnOfField[field->Index()] < 0)
            throw StorageError(dataSetName.toStdString() + ": field '" +
                               field->FieldName().toStdString() + "' not found");
}

void ReadColumns(const PreparedStatement& prepared, const std::vector<TField*>& fields,
                 FieldValue* values)
{
    const fb::Statement& statement = *prepared.statement;
    for (const TField* field : fields) {
        const unsigned column = static_cast<unsigned>(prepared.columnOfField[field->Index()]);
        FieldValue& value = values[field->Index()];
        if (statement.IsNull(column)) {
            value = FieldValue();
            continue;
        }
        switch (field->Kind()) {
        case FieldKind::Integer:
            value = statement.GetInteger(column);
            break;
        case FieldKind::Float:
            value = statement.GetDouble(column);
            break;
        case FieldKind::DateTime:
            value = statement.GetDateTime(column);
            break;
        case FieldKind::String: {
            QByteArray text = QByteArray::fromStdString(statement.GetBytes(column));
            qsizetype length = text.size();
            while (length > 0 && static_cast<unsigned char>(text[length - 1]) < 33)
                --length;
            text.truncate(length);
            value = std::move(text);
            break;
        }
        case FieldKind::Blob:
            value = QByteArray::fromStdString(statement.GetBytes(column));
            break;
        }
    }
}

} // namespace

void CachedDataSet::Open()
{
    if (Active())
        return;
    if (!m_database || !m_transaction)
        throw StorageError(objectName().toStdString() + ": no database");
    m_transaction->EnsureStarted();
    PreparedStatement select;
    QStringList names;
    const QString sql = ToPositionalParams(SelectSQL(), names);
    select.statement = std::make_unique<fb::Statement>(
        m_database->Attachment(), m_transaction->Handle(), sql.toStdString(),
        static_cast<unsigned>(m_database->SQLDialect()));
    BindColumns(select, m_fields, objectName());
    select.statement->Open(m_transaction->Handle());
    // Rows and their values are taken from large blocks: one allocation per row would make
    // opening a big project markedly slower and larger.
    constexpr size_t BlockRows = 4096;
    const size_t fieldCount = m_fields.size();
    std::vector<std::unique_ptr<CachedRow[]>> rowBlocks;
    std::vector<std::unique_ptr<FieldValue[]>> valueBlocks;
    std::vector<RowPtr> rows;
    size_t inBlock = BlockRows;
    while (select.statement->Fetch()) {
        if (inBlock == BlockRows) {
            rowBlocks.push_back(std::make_unique<CachedRow[]>(BlockRows));
            valueBlocks.push_back(std::make_unique<FieldValue[]>(BlockRows * fieldCount));
            inBlock = 0;
        }
        CachedRow* row = &rowBlocks.back()[inBlock];
        row->values = ValueArray::Borrowed(&valueBlocks.back()[inBlock * fieldCount]);
        ++inBlock;
        ReadColumns(select, m_fields, row->values.get());
        row->position = static_cast<uint32_t>(rows.size());
        rows.push_back(RowPtr::Borrowed(row));
    }
    select.statement->CloseCursor();
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
    RowsReset();
    SetState(DataSetState::Browse);
    NotifyDataSetChanged();
    Scrolled();
}

void CachedDataSet::Close()
{
    if (!Active())
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
    RowsReset();
    SetState(DataSetState::Inactive);
    NotifyDataSetChanged();
}

void CachedDataSet::First()
{
    CheckBrowseMode();
    RebuildVisible();
    m_bof = true;
    m_eof = VisibleSize() == 0;
    if (!m_eof)
        m_cursor = VisibleAt(0)->position;
    Scrolled();
}

void CachedDataSet::Last()
{
    CheckBrowseMode();
    RebuildVisible();
    m_eof = true;
    m_bof = VisibleSize() == 0;
    if (!m_bof)
        m_cursor = VisibleAt(VisibleSize() - 1)->position;
    Scrolled();
}

void CachedDataSet::Next()
{
    CheckBrowseMode();
    if (RecordCount() == 0) {
        m_eof = true;
        return;
    }
    for (size_t i = m_cursor + 1; i < m_rows.size(); ++i)
        if (m_rows[i]->Visible()) {
            m_cursor = i;
            m_bof = m_eof = false;
            Scrolled();
            return;
        }
    m_eof = true;
}

void CachedDataSet::Prior()
{
    CheckBrowseMode();
    if (RecordCount() == 0) {
        m_bof = true;
        return;
    }
    for (size_t i = m_cursor; i-- > 0;)
        if (m_rows[i]->Visible()) {
            m_cursor = i;
            m_bof = m_eof = false;
            Scrolled();
            return;
        }
    m_bof = true;
}

bool CachedDataSet::Eof() const
{
    return m_eof || RecordCount() == 0;
}

bool CachedDataSet::Bof() const
{
    return m_bof || RecordCount() == 0;
}

int CachedDataSet::RecordCount() const
{
    return static_cast<int>(m_visibleCount);
}

int CachedDataSet::RecNo() const
{
    const CachedRow* row = CurrentRow();
    if (!row || row == m_insertRow.get())
        return -1;
    RebuildVisible();
    if (m_allVisible)
        return static_cast<int>(row->position);
    const auto it = std::lower_bound(
        m_visible.begin(), m_visible.end(), row->position,
        [](const CachedRow* r, size_t position) { return r->position < position; });
    return it != m_visible.end() && *it == row ? static_cast<int>(it - m_visible.begin()) : -1;
}

void CachedDataSet::SetRecNo(int index)
{
    CheckBrowseMode();
    RebuildVisible();
    if (index < 0 || size_t(index) >= VisibleSize())
        throw StorageError(objectName().toStdString() + ": row number out of range");
    m_cursor = VisibleAt(size_t(index))->position;
    m_bof = m_eof = false;
    Scrolled();
}

void CachedDataSet::MoveToRow(CachedRow* row)
{
    CheckBrowseMode();
    if (row && row->Visible()) {
        m_cursor = row->position;
        m_bof = m_eof = false;
    } else {
        RebuildVisible();
        if (VisibleSize() > 0)
            m_cursor = VisibleAt(VisibleSize() - 1)->position;
        m_eof = true;
    }
    Scrolled();
}

void CachedDataSet::Edit()
{
    CheckActive();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert)
        return;
    CachedRow* row = CurrentRow();
    if (!row)
        throw StorageError(objectName().toStdString() + ": no row to edit");
    m_editBuffer = std::make_unique<std::vector<FieldValue>>(row->values.get(),
                                                             row->values.get() + m_fields.size());
    SetState(DataSetState::Edit);
}

void CachedDataSet::Append()
{
    CheckBrowseMode();
    m_insertRow = std::make_unique<CachedRow>();
    m_insertRow->values = NewValueArray(m_fields.size());
    m_insertRow->status = TUpdateStatus::Inserted;
    SetState(DataSetState::Insert);
    if (!OnNewRecord)
        return;
    try {
        OnNewRecord(this);
    } catch (...) {
        Cancel();
        throw;
    }
}

void CachedDataSet::Post()
{
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert)
        return;
    for (const auto& updater : std::vector(m_recordUpdaters))
        updater.second();
    if (m_state == DataSetState::Edit) {
        CachedRow* row = CurrentRow();
        std::unique_ptr<std::vector<FieldValue>> buffer = std::move(m_editBuffer);
        const bool changed = !std::equal(buffer->begin(), buffer->end(), row->values.get());
        if (changed) {
            if (row->status == TUpdateStatus::Unchanged) {
                row->original = std::move(row->values);
                row->values = NewValueArray(m_fields.size());
                row->status = TUpdateStatus::Modified;
                ++m_changedRows;
            }
            std::move(buffer->begin(), buffer->end(), row->values.get());
            RowsReset();
        }
        SetState(DataSetState::Browse);
        if (changed && !ControlsDisabled())
            emit RecordChanged(nullptr);
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
    RowAppended(appended);
    SetState(DataSetState::Browse);
    NotifyDataSetChanged();
}

void CachedDataSet::Cancel()
{
    if (m_state == DataSetState::Edit) {
        m_editBuffer.reset();
        SetState(DataSetState::Browse);
        if (!ControlsDisabled())
            emit RecordChanged(nullptr);
    } else if (m_state == DataSetState::Insert) {
        m_insertRow.reset();
        SetState(DataSetState::Browse);
        NotifyDataSetChanged();
    }
}

void CachedDataSet::Delete()
{
    CheckActive();
    if (m_state == DataSetState::Insert) {
        Cancel();
        return;
    }
    Cancel();
    CachedRow* row = CurrentRow();
    if (!row)
        throw StorageError(objectName().toStdString() + ": no row to delete");
    RowHidden(row);
    --m_visibleCount;
    MarkDeleted(row);
    m_visibleValid = false;
    // The next row becomes current, or the one before when the last row went.
    CachedRow* target = nullptr;
    for (size_t i = row->position + 1; i < m_rows.size() && !target; ++i)
        if (m_rows[i]->Visible())
            target = m_rows[i].get();
    for (size_t i = row->position; i-- > 0 && !target;)
        if (m_rows[i]->Visible())
            target = m_rows[i].get();
    Compact();
    m_cursor = target ? target->position : 0;
    m_eof = target == nullptr;
    NotifyDataSetChanged();
    Scrolled();
}

void CachedDataSet::MarkDeleted(CachedRow* row)
{
    if (row->status == TUpdateStatus::Inserted) {
        // Never written: it goes without a trace.
        row->dropped = true;
        --m_changedRows;
        ++m_droppedRows;
    } else {
        if (row->status == TUpdateStatus::Unchanged)
            ++m_changedRows;
        row->status = TUpdateStatus::Deleted;
    }
}

void CachedDataSet::DeleteAll()
{
    CheckBrowseMode();
    for (const RowPtr& row : m_rows)
        if (row->Visible())
            MarkDeleted(row.get());
    m_visibleCount = 0;
    m_visibleValid = false;
    RowsReset();
    Compact();
    m_cursor = 0;
    m_bof = m_eof = true;
    NotifyDataSetChanged();
    Scrolled();
}

TUpdateStatus CachedDataSet::UpdateStatus() const
{
    const CachedRow* row = CurrentRow();
    return row ? row->status : TUpdateStatus::Unchanged;
}

CachedDataSet::Statements& CachedDataSet::PreparedStatements()
{
    if (!m_statements)
        m_statements = std::make_unique<Statements>();
    return *m_statements;
}

namespace {

PreparedStatement& Prepare(PreparedStatement& prepared, const QString& sqlText,
                           FbDatabase* database, FbTransaction* transaction,
                           const std::vector<TField*>& fields, bool readsRows,
                           const QString& dataSetName)
{
    if (prepared.statement)
        return prepared;
    if (sqlText.trimmed().isEmpty())
        throw StorageError(dataSetName.toStdString() + ": statement missing");
    QStringList names;
    const QString sql = ToPositionalParams(sqlText, names);
    std::vector<PreparedStatement::Param> params;
    for (const QString& name : names) {
        const TField* field = nullptr;
        bool old = false;
        for (const TField* f : fields)
            if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
                field = f;
        if (!field && name.startsWith("OLD_", Qt::CaseInsensitive)) {
            old = true;
            for (const TField* f : fields)
                if (f->FieldName().compare(name.mid(4), Qt::CaseInsensitive) == 0)
                    field = f;
        }
        if (!field)
            throw StorageError(dataSetName.toStdString() + ": parameter '" + name.toStdString() +
                               "' names no field");
        params.push_back({field->Index(), old});
    }
    auto statement = std::make_unique<fb::Statement>(database->Attachment(), transaction->Handle(),
                                                     sql.toStdString(),
                                                     static_cast<unsigned>(database->SQLDialect()));
    prepared.statement = std::move(statement);
    prepared.params = std::move(params);
    if (readsRows)
        BindColumns(prepared, fields, dataSetName);
    return prepared;
}

void BindParams(PreparedStatement& prepared, const std::vector<TField*>& fields,
                const FieldValue* current, const FieldValue* old)
{
    fb::Statement& statement = *prepared.statement;
    for (unsigned i = 0; i < prepared.params.size(); ++i) {
        const auto& param = prepared.params[i];
        const FieldValue& value = param.old ? old[param.field] : current[param.field];
        if (value.IsNull())
            statement.SetNull(i);
        else if (const auto integer = value.Integer())
            statement.SetInteger(i, *integer);
        else if (const auto real = value.Real()) {
            if (fields[param.field]->Kind() == FieldKind::DateTime)
                statement.SetDateTime(i, *real);
            else
                statement.SetDouble(i, *real);
        } else
            statement.SetBytes(i, value.Bytes()->toStdString());
    }
}

void BindParams(PreparedStatement& prepared, const std::vector<TField*>& fields,
                const CachedRow& row)
{
    BindParams(prepared, fields, row.values.get(), row.OldValues());
}

} // namespace

PreparedStatement& CachedDataSet::PrepareInsert()
{
    PreparedStatement& insert = PreparedStatements().insert;
    if (insert.statement)
        return insert;
    // The new row comes back from the insert itself instead of a refresh statement run per row,
    // which would make saving many rows several times slower.
    QString sql = InsertSQL();
    const bool returning =
        !RefreshSQL().trimmed().isEmpty() && !sql.contains("RETURNING", Qt::CaseInsensitive);
    if (returning) {
        QStringList names;
        for (const TField* field : m_fields)
            names << field->FieldName();
        sql += "\nRETURNING " + names.join(", ");
    }
    return Prepare(insert, sql, m_database, m_transaction, m_fields, returning, objectName());
}

void CachedDataSet::RefreshRow(CachedRow* row)
{
    if (ReadBack(row->values.get(), row->OldValues(), row->values.get()))
        RowsReset();
}

bool CachedDataSet::ReadBack(const FieldValue* current, const FieldValue* old, FieldValue* into)
{
    PreparedStatement& refresh = Prepare(PreparedStatements().refresh, RefreshSQL(), m_database,
                                         m_transaction, m_fields, true, objectName());
    BindParams(refresh, m_fields, current, old);
    refresh.statement->Open(m_transaction->Handle());
    const bool found = refresh.statement->Fetch();
    if (found)
        ReadColumns(refresh, m_fields, into);
    refresh.statement->CloseCursor();
    return found;
}

void CachedDataSet::WriteRow(CachedRow* row)
{
    PreparedStatement* prepared = nullptr;
    switch (row->status) {
    case TUpdateStatus::Unchanged:
        return;
    case TUpdateStatus::Modified:
        prepared = &Prepare(PreparedStatements().update, UpdateSQL(), m_database, m_transaction,
                            m_fields, false, objectName());
        break;
    case TUpdateStatus::Inserted:
        prepared = &PrepareInsert();
        break;
    case TUpdateStatus::Deleted:
        prepared = &Prepare(PreparedStatements().remove, DeleteSQL(), m_database, m_transaction,
                            m_fields, false, objectName());
        break;
    }
    BindParams(*prepared, m_fields, *row);
    prepared->statement->Execute(m_transaction->Handle());
    WrittenRow written{row, nullptr};
    if (row->status != TUpdateStatus::Deleted) {
        // The row as stored, kept aside until the write is committed; from then on the row is
        // addressed by its written key.
        written.values = std::make_unique<FieldValue[]>(m_fields.size());
        std::copy(row->values.get(), row->values.get() + m_fields.size(), written.values.get());
        if (prepared->columnOfField.empty())
            ReadBack(row->values.get(), row->values.get(), written.values.get());
        else
            ReadColumns(*prepared, m_fields, written.values.get());
    }
    m_written.push_back(std::move(written));
}

void CachedDataSet::WriteUpdates()
{
    CheckActive();
    CheckBrowseMode();
    m_written.clear();
    if (m_changedRows == 0)
        return;
    m_transaction->EnsureStarted();
    try {
        for (size_t i = 0; i < m_rows.size(); ++i) {
            CachedRow* row = m_rows[i].get();
            if (!row->dropped)
                WriteRow(row);
            if (OnApplyProgress && i % 4096 == 4095)
                OnApplyProgress(i + 1, m_rows.size());
        }
    } catch (...) {
        m_written.clear();
        throw;
    }
}

void CachedDataSet::CommitWrittenUpdates()
{
    if (m_written.empty())
        return;
    for (WrittenRow& written : m_written) {
        CachedRow* row = written.row;
        if (row->status == TUpdateStatus::Deleted) {
            row->dropped = true;
            ++m_droppedRows;
        } else {
            row->values = ValueArray(written.values.release());
            row->original.reset();
            row->status = TUpdateStatus::Unchanged;
        }
        --m_changedRows;
    }
    m_written.clear();
    RowsReset();
    Compact();
    NotifyDataSetChanged();
}

void CachedDataSet::DiscardWrittenUpdates()
{
    m_written.clear();
}

void CachedDataSet::ApplyUpdates()
{
    WriteUpdates();
    CommitWrittenUpdates();
}

void CachedDataSet::CancelUpdates()
{
    Cancel();
    if (!Active() || m_changedRows == 0)
        return;
    CachedRow* current = CurrentRow();
    for (auto& row : m_rows) {
        if (row->dropped)
            continue;
        if (row->status == TUpdateStatus::Inserted) {
            row->dropped = true;
            ++m_droppedRows;
        } else if (row->original) {
            row->values = std::move(row->original);
        }
        if (!row->dropped)
            row->status = TUpdateStatus::Unchanged;
    }
    m_changedRows = 0;
    m_visibleValid = false;
    RowsReset();
    // Compact frees dropped rows, the current one among them when it was appended.
    if (current && !current->Visible())
        current = nullptr;
    Compact();
    m_visibleCount = static_cast<size_t>(
        std::count_if(m_rows.begin(), m_rows.end(), [](const auto& r) { return r->Visible(); }));
    if (current) {
        m_cursor = current->position;
        m_eof = false;
    } else {
        RebuildVisible();
        m_cursor = VisibleSize() == 0 ? 0 : VisibleAt(0)->position;
        m_bof = true;
        m_eof = VisibleSize() == 0;
    }
    NotifyDataSetChanged();
    Scrolled();
}

void CachedDataSet::Refresh()
{
    CheckActive();
    CheckBrowseMode();
    CachedRow* row = CurrentRow();
    // A row with unsaved changes keeps them; only a row as stored is re-read.
    if (row && row->status == TUpdateStatus::Unchanged)
        RefreshRow(row);
    NotifyDataSetChanged();
}

void CachedDataSet::SortBy(const std::vector<TField*>& keys)
{
    CheckActive();
    CheckBrowseMode();
    CachedRow* current = CurrentRow();
    std::vector<int> indexes;
    for (const TField* key : keys)
        indexes.push_back(key->Index());
    std::stable_sort(m_rows.begin(), m_rows.end(), [&indexes](const RowPtr& a, const RowPtr& b) {
        for (int index : indexes) {
            const int order = CompareValues(a->values[index], b->values[index]);
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
    NotifyDataSetChanged();
    Scrolled();
}

void CachedDataSet::AddRecordUpdater(QObject* owner, std::function<void()> update)
{
    m_recordUpdaters.emplace_back(owner, std::move(update));
}

void CachedDataSet::RemoveRecordUpdater(QObject* owner)
{
    std::erase_if(m_recordUpdaters,
                  [owner](const auto& updater) { return updater.first == owner; });
}

void CachedDataSet::RedrawControls()
{
    NotifyDataSetChanged();
}

void CachedDataSet::DisableControls()
{
    ++m_controlsDisabled;
}

void CachedDataSet::EnableControls()
{
    if (m_controlsDisabled == 0)
        return;
    if (--m_controlsDisabled == 0) {
        m_changedWhileDisabled = false;
        emit StateChanged(m_state);
        emit DataSetChanged();
    }
}

void CachedDataSet::DisableScrollEvents()
{
    ++m_scrollDisabled;
}

void CachedDataSet::EnableScrollEvents()
{
    if (m_scrollDisabled > 0)
        --m_scrollDisabled;
}

const FieldValue& CachedDataSet::ValueAt(int visibleRow, const TField* field) const
{
    if (visibleRow < 0 || size_t(visibleRow) >= VisibleSize())
        return NullValue;
    const CachedRow* row = VisibleAt(size_t(visibleRow));
    if (m_state == DataSetState::Edit && row == CurrentRow())
        return (*m_editBuffer)[static_cast<size_t>(field->Index())];
    return row->values[field->Index()];
}

QString CachedDataSet::DisplayTextAt(int visibleRow, const TField* field) const
{
    if (visibleRow < 0 || size_t(visibleRow) >= VisibleSize())
        return QString();
    const CachedRow* previous = m_contextRow;
    m_contextRow = VisibleAt(size_t(visibleRow));
    QString text;
    try {
        text = field->DisplayText();
    } catch (...) {
        m_contextRow = previous;
        throw;
    }
    m_contextRow = previous;
    return text;
}

const FieldValue& CachedDataSet::RowValue(const CachedRow* row, const TField* field) const
{
    return row->values[field->Index()];
}

CachedRow* CachedDataSet::CurrentRow() const
{
    if (m_state == DataSetState::Insert)
        return m_insertRow.get();
    if (m_state == DataSetState::Inactive || m_cursor >= m_rows.size())
        return nullptr;
    CachedRow* row = m_rows[m_cursor].get();
    return row->Visible() ? row : nullptr;
}

const FieldValue& CachedDataSet::CurrentValue(const TField* field) const
{
    const CachedRow* row = m_contextRow;
    if (row && !(m_state == DataSetState::Edit && row == CurrentRow()))
        return row->values[field->Index()];
    if (m_state == DataSetState::Edit)
        return (*m_editBuffer)[static_cast<size_t>(field->Index())];
    row = CurrentRow();
    return row ? row->values[field->Index()] : NullValue;
}

void CachedDataSet::SetCurrentValue(const TField* field, const FieldValue& value)
{
    if (m_state == DataSetState::Edit)
        (*m_editBuffer)[static_cast<size_t>(field->Index())] = value;
    else if (m_state == DataSetState::Insert)
        m_insertRow->values[field->Index()] = value;
    else
        throw StorageError(objectName().toStdString() + ": not in edit or insert mode");
    if (!ControlsDisabled())
        emit RecordChanged(const_cast<TField*>(field));
}

void CachedDataSet::SetState(DataSetState state)
{
    if (m_state == state)
        return;
    m_state = state;
    if (!ControlsDisabled())
        emit StateChanged(state);
}

void CachedDataSet::CheckActive() const
{
    if (!Active())
        throw StorageError(objectName().toStdString() + ": the dataset is closed");
}

void CachedDataSet::CheckBrowseMode()
{
    CheckActive();
    Post();
}

void CachedDataSet::Scrolled()
{
    if (!ControlsDisabled())
        emit CursorMoved();
    if (!ScrollEventsDisabled())
        emit AfterScroll(this);
}

void CachedDataSet::NotifyDataSetChanged()
{
    if (ControlsDisabled())
        m_changedWhileDisabled = true;
    else
        emit DataSetChanged();
}

void CachedDataSet::RebuildVisible() const
{
    if (m_visibleValid)
        return;
    m_visible.clear();
    // While no row is hidden, the rows are their own list: a large project keeps no copy.
    m_allVisible =
        std::all_of(m_rows.begin(), m_rows.end(), [](const RowPtr& row) { return row->Visible(); });
    if (m_allVisible)
        m_visible.shrink_to_fit();
    else
        for (const auto& row : m_rows)
            if (row->Visible())
                m_visible.push_back(row.get());
    m_visibleValid = true;
}

size_t CachedDataSet::VisibleSize() const
{
    RebuildVisible();
    return m_allVisible ? m_rows.size() : m_visible.size();
}

CachedRow* CachedDataSet::VisibleAt(size_t index) const
{
    return m_allVisible ? m_rows[index].get() : m_visible[index];
}

void CachedDataSet::Compact()
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
