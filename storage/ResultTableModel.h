#pragma once

#include <QAbstractTableModel>

#include <vector>

class DataSource;
class Field;

// The results table over the results dataset: one column per visible field with its display
// label as title and its display text in the cells. While the dataset's controls are disabled
// (BeginUpdate) the model stays still; it resets once when they are enabled again.
class ResultTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Width of a column in characters, asked of the horizontal header.
    static constexpr int WidthInCharsRole = Qt::UserRole + 1;

    explicit ResultTableModel(DataSource* source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    Field* fieldAt(int column) const;
    // The dataset's current row, -1 when there is none.
    int currentRow() const;
    // Moves the dataset's cursor, as a click in the table does; raises StorageError when an edit
    // in progress cannot be posted (the caller shows it, the cursor stays).
    void setCurrentRow(int row);

signals:
    void currentRowChanged(int row);

private:
    void reload();
    void updateCurrentRow();

    DataSource* m_source;
    std::vector<Field*> m_columns;
    int m_rowCount = 0;
    int m_currentRow = -1;
};
