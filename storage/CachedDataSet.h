#pragma once

#include "storage/FieldValue.h"
#include "storage/MaybeOwned.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TField;
class FbDatabase;
class FbTransaction;
struct CachedRow;
struct PreparedStatement;

struct RowDelete
{
    void operator()(CachedRow* row) const;
};
using RowPtr = MaybeOwned<CachedRow, RowDelete>;

enum class DataSetState
{
    Inactive,
    Browse,
    Edit,
    Insert
};
enum class TUpdateStatus : uint8_t
{
    Unchanged,
    Modified,
    Inserted,
    Deleted
};

// A dataset that reads all rows of its select statement into memory and keeps every change
// there until ApplyUpdates writes it with its insert, update and delete statements (whose
// parameters ?NAME and ?OLD_NAME name fields) or CancelUpdates drops it.
//
// An inserted row is read back by a RETURNING clause added to the insert statement (one round
// trip instead of a refresh statement per row); updated rows are read back by the refresh
// statement.
//
// Navigation follows the usual dataset protocol: First, then Next until Eof; the cursor stays
// on the last row when Next runs past it. Deleted rows are hidden from navigation and lookups.
// Errors of the engine and misuse raise StorageError.
class CachedDataSet : public QObject
{
    Q_OBJECT

public:
    CachedDataSet(QObject* parent, const QString& name);
    ~CachedDataSet() override;

    void SetDatabase(FbDatabase* database) { m_database = database; }
    void SetTransaction(FbTransaction* transaction) { m_transaction = transaction; }
    // Statements are given line by line and joined by line breaks.
    void SetSelectSQL(const QStringList& lines) { m_selectSql = lines; }
    void SetRefreshSQL(const QStringList& lines) { m_refreshSql = lines; }
    void SetInsertSQL(const QStringList& lines) { m_insertSql = lines; }
    void SetUpdateSQL(const QStringList& lines) { m_updateSql = lines; }
    void SetDeleteSQL(const QStringList& lines) { m_deleteSql = lines; }
    QString SelectSQL() const { return m_selectSql.join('\n'); }
    QString RefreshSQL() const { return m_refreshSql.join('\n'); }
    QString InsertSQL() const { return m_insertSql.join('\n'); }
    QString UpdateSQL() const { return m_updateSql.join('\n'); }
    QString DeleteSQL() const { return m_deleteSql.join('\n'); }
    void SetCachedUpdates(bool cached) { m_cachedUpdates = cached; }
    bool CachedUpdates() const { return m_cachedUpdates; }

    TField* AddField(const QString& objectName, const QString& fieldName, FieldKind kind);
    const std::vector<TField*>& Fields() const { return m_fields; }
    TField* FindField(const QString& fieldName) const;
    // Raises StorageError when the dataset has no such field.
    TField* FieldByName(const QString& fieldName) const;

    void Open();
    // Drops the rows and every cached change.
    void Close();
    bool Active() const { return m_state != DataSetState::Inactive; }
    DataSetState State() const { return m_state; }

    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const { return RecordCount() == 0; }
    // Visible (not deleted) rows.
    int RecordCount() const;
    // Index of the current row among the visible rows, -1 when there is none.
    int RecNo() const;
    void SetRecNo(int index);

    void Edit();
    // Appends a row at the end, current and in insert state; fields start null.
    void Append();
    void Post();
    void Cancel();
    void Delete();
    // Deletes every visible row in one pass, as First and then Delete until Eof would.
    void DeleteAll();
    // The current row's change status.
    TUpdateStatus UpdateStatus() const;
    bool UpdatesPending() const { return m_changedRows > 0; }

    // Writes every cached change (see the class comment) and counts the rows as stored.
    void ApplyUpdates();
    // The two halves of ApplyUpdates, for a write that is committed in between: WriteUpdates
    // runs the statements but leaves every row with its change, so that a failed commit (or a
    // later error) leaves the cache exactly as before; CommitWrittenUpdates then counts the
    // written rows as stored, and DiscardWrittenUpdates forgets that they were written.
    void WriteUpdates();
    void CommitWrittenUpdates();
    void DiscardWrittenUpdates();
    // Drops every cached change, giving each row back its values as last read or written.
    void CancelUpdates();
    // Posts an edit in progress and re-reads the current row by the refresh statement.
    void Refresh();
    // Orders the rows by the given fields, ascending, nulls first; the current row stays current.
    // Not a change: nothing is marked or written.
    void SortBy(const std::vector<TField*>& keys);

    // While disabled (counted), bound controls get no notice; they redraw once at the end.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_controlsDisabled > 0; }
    // While disabled (counted), AfterScroll is not raised; the notices are lost.
    void DisableScrollEvents();
    void EnableScrollEvents();
    bool ScrollEventsDisabled() const { return m_scrollDisabled > 0; }
    // Makes bound controls draw every row anew (texts that depend on settings changed).
    void RedrawControls();
    // Raises AfterScroll regardless of the counter.
    void NotifyAfterScroll() { emit AfterScroll(this); }

    // Bound editors that may hold text not yet handed to their field: Post asks each of them
    // first (a refusal raises StorageError and leaves the edit in progress).
    void AddRecordUpdater(QObject* owner, std::function<void()> update);
    void RemoveRecordUpdater(QObject* owner);

    // Called right after Append has created a row, to fill keys and defaults.
    std::function<void(CachedDataSet* DataSet)> OnNewRecord;
    // Called every few thousand rows while ApplyUpdates writes, with the rows gone through and
    // their count, so that a window can show the progress of a long save.
    std::function<void(size_t done, size_t total)> OnApplyProgress;

    // Values and texts of any visible row, for controls that draw many rows; text handlers
    // called meanwhile see that row as the current one.
    const FieldValue& ValueAt(int visibleRow, const TField* field) const;
    QString DisplayTextAt(int visibleRow, const TField* field) const;

signals:
    void AfterScroll(CachedDataSet* DataSet);
    // Raised only while controls are enabled:
    void StateChanged(DataSetState state);
    void DataSetChanged();
    void RecordChanged(TField* field);
    void CursorMoved();

protected:
    // Hooks for a derived dataset that keeps its own lookup structure over the rows.
    virtual void RowsReset() {}
    virtual void RowAppended(CachedRow* /*row*/) {}
    virtual void RowHidden(CachedRow* /*row*/) {}
    const std::vector<RowPtr>& Rows() const { return m_rows; }
    // Puts the cursor on the row (which must be visible), or past the last row for nullptr.
    void MoveToRow(CachedRow* row);
    const FieldValue& RowValue(const CachedRow* row, const TField* field) const;

private:
    friend class TField;
    struct Statements;

    const FieldValue& CurrentValue(const TField* field) const;
    void SetCurrentValue(const TField* field, const FieldValue& value);
    CachedRow* CurrentRow() const;
    CachedRow* ContextRow() const;
    void SetState(DataSetState state);
    void CheckActive() const;
    void CheckBrowseMode();
    void Scrolled();
    void NotifyDataSetChanged();
    void RebuildVisible() const;
    // The visible rows in order; VisibleAt needs a VisibleSize (which rebuilds) first.
    size_t VisibleSize() const;
    CachedRow* VisibleAt(size_t index) const;
    void Compact();
    // Deletes a visible row in the cache: an appended one is dropped, a stored one marked.
    void MarkDeleted(CachedRow* row);
    void WriteRow(CachedRow* row);
    void RefreshRow(CachedRow* row);
    bool ReadBack(const FieldValue* current, const FieldValue* old, FieldValue* into);
    void ReadRow(CachedRow* row);
    Statements& PreparedStatements();
    PreparedStatement& PrepareInsert();

    FbDatabase* m_database = nullptr;
    FbTransaction* m_transaction = nullptr;
    QStringList m_selectSql;
    QStringList m_refreshSql;
    QStringList m_insertSql;
    QStringList m_updateSql;
    QStringList m_deleteSql;
    bool m_cachedUpdates = false;
    std::vector<TField*> m_fields;

    DataSetState m_state = DataSetState::Inactive;
    // Declared before m_rows, which points into them.
    std::vector<std::unique_ptr<CachedRow[]>> m_rowBlocks;
    std::vector<std::unique_ptr<FieldValue[]>> m_valueBlocks;
    std::vector<RowPtr> m_rows;
    mutable std::vector<CachedRow*> m_visible;
    mutable bool m_visibleValid = false;
    mutable bool m_allVisible = false; // then m_visible is empty and m_rows stands for it
    size_t m_visibleCount = 0;
    size_t m_cursor = 0;
    bool m_eof = true;
    bool m_bof = true;
    size_t m_droppedRows = 0;
    size_t m_changedRows = 0;
    std::unique_ptr<std::vector<FieldValue>> m_editBuffer;
    std::unique_ptr<CachedRow> m_insertRow;
    mutable const CachedRow* m_contextRow = nullptr;
    int m_controlsDisabled = 0;
    bool m_changedWhileDisabled = false;
    int m_scrollDisabled = 0;
    std::unique_ptr<Statements> m_statements;
    struct WrittenRow
    {
        CachedRow* row;
        std::unique_ptr<FieldValue[]> values;
    };
    std::vector<WrittenRow> m_written;
    std::vector<std::pair<QObject*, std::function<void()>>> m_recordUpdaters;
};
