#pragma once

#include "storage/CachedDataSet.h"
#include "storage/Field.h"

#include <QObject>

// The link between a dataset and its bound controls: reports the dataset's state and passes its
// notices on.
class DataSource : public QObject
{
    Q_OBJECT

public:
    DataSource(QObject* parent, const QString& name, CachedDataSet* dataSet);

    CachedDataSet* DataSet() const { return m_dataSet; }
    DataSetState State() const { return m_dataSet->State(); }

signals:
    void StateChanged(DataSetState state);
    // Rows came, went, moved or were re-read: redraw everything.
    void DataSetChanged();
    void CursorMoved();
    // A value of the current row changed (field nullptr: the whole row).
    void RecordChanged(TField* field);

private:
    CachedDataSet* m_dataSet;
};
