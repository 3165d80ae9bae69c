#pragma once

#include "storage/DataSetSql.h"
#include "storage/FieldValue.h"
#include "storage/MaybeOwned.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class Field;
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
enum class UpdateStatus : uint8_t
{
    Unchanged,
    Modified,
    Inserted,
    Deleted
};

// A dataset that reads all rows of its select statement into memory and keeps every change
// there until applyUpdates writes it with its insert, update and delete statements (whose
// parameters ?NAME and ?OLD_NAME name fields) or cancelUpdates drops it.
//
// An inserted row is read back by a RETURNING clause added to the insert statement (one round
// trip instead of a refresh statement per row); updated rows are read back by the refresh
// statement.
//
// Navigation follows the usual dataset protocol: first(), then next() until eof(); the cursor stays
// on the last row when next() runs past it. Deleted rows are hidden from navigation and lookups.
// Errors of the engine and misuse raise StorageError.
class CachedDataSet : public QObject
{
    Q_OBJECT

public:
    CachedDataSet(QObject* parent, const QString& name);
    ~CachedDataSet() override;

    void setDatabase(FbDatabase* database) { m_database = database; }
    void setTransaction(FbTransaction* transaction) { m_transaction = transaction; }
    // Statements are given line by line and joined by line breaks.
    void setSql(const DataSetSql& sql) { m_sql = sql; }
    QString selectSql() const { return m_sql.select.join('\n'); }
    QString refreshSql() const { return m_sql.refresh.join('\n'); }
    QString insertSql() const { return m_sql.insert.join('\n'); }
    QString updateSql() const { return m_sql.update.join('\n'); }
    QString deleteSql() const { return m_sql.remove.join('\n'); }
    void setCachedUpdates(bool cached) { m_cachedUpdates = cached; }
    bool cachedUpdates() const { return m_cachedUpdates; }

    Field* addField(const QString& objectName, const QString& fieldName, FieldKind kind);
    const std::vector<Field*>& fields() const { return m_fields; }
    Field* findField(const QString& fieldName) const;
    // Raises StorageError when the dataset has no such field.
    Field* fieldByName(const QString& fieldName) const;

    void open();
    // Drops the rows and every cached change.
    void close();
    bool active() const { return m_state != DataSetState::Inactive; }
    DataSetState state() const { return m_state; }

    void first();
    void last();
    void next();
    void prior();
    bool eof() const;
    bool bof() const;
    bool isEmpty() const { return recordCount() == 0; }
    // Visible (not deleted) rows.
    int recordCount() const;
    // Index of the current row among the visible rows, -1 when there is none.
    int recNo() const;
    void setRecNo(int index);

    void edit();
    // Appends a row at the end, current and in insert state; fields start null.
    void append();
    void post();
    void cancel();
    void deleteRecord();
    // Deletes every visible row in one pass, as first() and then deleteRecord() until eof() would.
    void deleteAll();
    // The current row's change status.
    UpdateStatus updateStatus() const;
    bool updatesPending() const { return m_changedRows > 0; }

    // Writes every cached change (see the class comment) and counts the rows as stored.
    void applyUpdates();
    // The two halves of applyUpdates, for a write that is committed in between: writeUpdates
    // runs the statements but leaves every row with its change, so that a failed commit (or a
    // later error) leaves the cache exactly as before; commitWrittenUpdates then counts the
    // written rows as stored, and discardWrittenUpdates forgets that they were written.
    void writeUpdates();
    void commitWrittenUpdates();
    void discardWrittenUpdates();
    // Drops every cached change, giving each row back its values as last read or written.
    void cancelUpdates();
    // Posts an edit in progress and re-reads the current row by the refresh statement.
    void refresh();
    // Orders the rows by the given fields, ascending, nulls first; the current row stays current.
    // Not a change: nothing is marked or written.
    void sortBy(const std::vector<Field*>& keys);

    // While disabled (counted), bound controls get no notice; they redraw once at the end.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_controlsDisabled > 0; }
    // While disabled (counted), afterScroll is not raised; the notices are lost.
    void disableScrollEvents();
    void enableScrollEvents();
    bool scrollEventsDisabled() const { return m_scrollDisabled > 0; }
    // Makes bound controls draw every row anew (texts that depend on settings changed).
    void redrawControls();
    // Raises afterScroll regardless of the counter.
    void notifyAfterScroll() { emit afterScroll(this); }

    // Bound editors that may hold text not yet handed to their field: post() asks each of them
    // first (a refusal raises StorageError and leaves the edit in progress).
    void addRecordUpdater(QObject* owner, std::function<void()> update);
    void removeRecordUpdater(QObject* owner);

    // Called right after append() has created a row, to fill keys and defaults.
    std::function<void(CachedDataSet* DataSet)> OnNewRecord;
    // Called every few thousand rows while applyUpdates writes, with the rows gone through and
    // their count, so that a window can show the progress of a long save.
    std::function<void(size_t done, size_t total)> OnApplyProgress;

    // Values and texts of any visible row, for controls that draw many rows; text handlers
    // called meanwhile see that row as the current one.
    const FieldValue& valueAt(int visibleRow, const Field* field) const;
    QString displayTextAt(int visibleRow, const Field* field) const;

signals:
    void afterScroll(CachedDataSet* DataSet);
    // Raised only while controls are enabled:
    void stateChanged(DataSetState state);
    void dataSetChanged();
    void recordChanged(Field* field);
    void cursorMoved();

protected:
    // Hooks for a derived dataset that keeps its own lookup structure over the rows.
    virtual void rowsReset() {}
    virtual void rowAppended(CachedRow* /*row*/) {}
    virtual void rowHidden(CachedRow* /*row*/) {}
    const std::vector<RowPtr>& rows() const { return m_rows; }
    // Puts the cursor on the row (which must be visible), or past the last row for nullptr.
    void moveToRow(CachedRow* row);
    const FieldValue& rowValue(const CachedRow* row, const Field* field) const;

private:
    friend class Field;
    struct Statements;

    const FieldValue& currentValue(const Field* field) const;
    void setCurrentValue(const Field* field, const FieldValue& value);
    CachedRow* currentRow() const;
    CachedRow* contextRow() const;
    void setState(DataSetState state);
    void checkActive() const;
    void checkBrowseMode();
    void scrolled();
    void notifyDataSetChanged();
    void rebuildVisible() const;
    // The visible rows in order; visibleAt needs a visibleSize (which rebuilds) first.
    size_t visibleSize() const;
    CachedRow* visibleAt(size_t index) const;
    void compact();
    // Deletes a visible row in the cache: an appended one is dropped, a stored one marked.
    void markDeleted(CachedRow* row);
    void writeRow(CachedRow* row);
    void refreshRow(CachedRow* row);
    bool readBack(const FieldValue* current, const FieldValue* old, FieldValue* into);
    void readRow(CachedRow* row);
    Statements& preparedStatements();
    PreparedStatement& prepareInsert();

    FbDatabase* m_database = nullptr;
    FbTransaction* m_transaction = nullptr;
    DataSetSql m_sql;
    bool m_cachedUpdates = false;
    std::vector<Field*> m_fields;

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
