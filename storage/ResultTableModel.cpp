#include "storage/ResultTableModel.h"

#include "storage/DataSource.h"
#include "storage/Field.h"

ResultTableModel::ResultTableModel(DataSource* source, QObject* parent)
    : QAbstractTableModel(parent), m_source(source)
{
    for (Field* field : source->dataSet()->fields()) {
        if (!field->visible())
            continue;
        const int column = static_cast<int>(m_columns.size());
        m_columns.push_back(field);
        connect(field, &Field::displayLabelChanged, this,
                [this, column] { emit headerDataChanged(Qt::Horizontal, column, column); });
    }
    m_rowCount = source->dataSet()->recordCount();
    m_currentRow = source->dataSet()->recNo();
    connect(source, &DataSource::dataSetChanged, this, &ResultTableModel::reload);
    connect(source, &DataSource::cursorMoved, this, &ResultTableModel::updateCurrentRow);
    connect(source, &DataSource::recordChanged, this, [this] {
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
    const Field* field = m_columns[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
        return m_source->dataSet()->displayTextAt(index.row(), field);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(field->alignment());
    default:
        return QVariant();
    }
}

QVariant ResultTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(m_columns.size()))
        return QVariant();
    const Field* field = m_columns[static_cast<size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return field->displayLabel();
    case WidthInCharsRole:
        return field->displayWidth();
    default:
        return QVariant();
    }
}

Field* ResultTableModel::fieldAt(int column) const
{
    return column >= 0 && column < static_cast<int>(m_columns.size())
               ? m_columns[static_cast<size_t>(column)]
               : nullptr;
}

int ResultTableModel::currentRow() const
{
    return m_currentRow;
}

void ResultTableModel::setCurrentRow(int row)
{
    if (row != m_source->dataSet()->recNo())
        m_source->dataSet()->setRecNo(row);
}

void ResultTableModel::reload()
{
    const int count = m_source->dataSet()->recordCount();
    if (count != m_rowCount) {
        beginResetModel();
        m_rowCount = count;
        endResetModel();
    } else if (count > 0 && !m_columns.empty()) {
        emit dataChanged(index(0, 0), index(count - 1, static_cast<int>(m_columns.size()) - 1));
    }
    updateCurrentRow();
}

void ResultTableModel::updateCurrentRow()
{
    const int row = m_source->dataSet()->recNo();
    if (row == m_currentRow)
        return;
    m_currentRow = row;
    emit currentRowChanged(row);
}
