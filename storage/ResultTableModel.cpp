#include "storage/ResultTableModel.h"

#include "storage/DataSource.h"
#include "storage/Field.h"

ResultTableModel::ResultTableModel(DataSource* source, QObject* parent)
    : QAbstractTableModel(parent), m_source(source)
{
    for (TField* field : source->DataSet()->Fields()) {
        if (!field->Visible())
            continue;
        const int column = static_cast<int>(m_columns.size());
        m_columns.push_back(field);
        connect(field, &TField::DisplayLabelChanged, this,
                [this, column] { emit headerDataChanged(Qt::Horizontal, column, column); });
    }
    m_rowCount = source->DataSet()->RecordCount();
    m_currentRow = source->DataSet()->RecNo();
    connect(source, &DataSource::DataSetChanged, this, &ResultTableModel::Reload);
    connect(source, &DataSource::CursorMoved, this, &ResultTableModel::UpdateCurrentRow);
    connect(source, &DataSource::RecordChanged, this, [this] {
        if (m_currentRow >= 0 && m_currentRow < m_rowCount && !m_columns.empty())
            emit dataChanged(index(m_currentRow, 0),
                             index(m_currentRow, static_cast<int>(m_columns.size()) - 1));
    });
}

int ResultTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int ResultTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ResultTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const TField* field = m_columns[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return m_source->DataSet()->DisplayTextAt(index.row(), field);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(field->Alignment());
    default:
        return QVariant();
    }
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(m_columns.size()))
        return QVariant();
    const TField* field = m_columns[static_cast<size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return field->DisplayLabel();
    case WidthInCharsRole:
        return field->DisplayWidth();
    default:
        return QVariant();
    }
}

TField* ResultTableModel::FieldAt(int column) const
{
    return column >= 0 && column < static_cast<int>(m_columns.size())
               ? m_columns[static_cast<size_t>(column)]
               : nullptr;
}

int ResultTableModel::CurrentRow() const
{
    return m_currentRow;
}

void ResultTableModel::SetCurrentRow(int row)
{
    if (row != m_source->DataSet()->RecNo())
        m_source->DataSet()->SetRecNo(row);
}

void ResultTableModel::Reload()
{
    const int count = m_source->DataSet()->RecordCount();
    if (count != m_rowCount) {
        beginResetModel();
        m_rowCount = count;
        endResetModel();
    } else if (count > 0 && !m_columns.empty()) {
        emit dataChanged(index(0, 0), index(count - 1, static_cast<int>(m_columns.size()) - 1));
    }
    UpdateCurrentRow();
}

void ResultTableModel::UpdateCurrentRow()
{
    const int row = m_source->DataSet()->RecNo();
    if (row == m_currentRow)
        return;
    m_currentRow = row;
    emit CurrentRowChanged(row);
}
