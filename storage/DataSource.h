#pragma once

#include "storage/CachedDataSet.h"
#include "storage/Field.h"

#include <QObject>

// The link between a dataset and its bound controls: reports the dataset's state and passes its
// notices on.
class TDataSource : public QObject
{
    Q_OBJECT

public:
    TDataSource(QObject* parent, const QString& name, TCachedDataSet* dataSet);

    TCachedDataSet* DataSet() const { return m_dataSet; }
    TDataSetState State() const { return m_dataSet->State(); }

signals:
    void StateChanged(TDataSetState state);
    // Rows came, went, moved or were re-read: redraw everything.
    void DataSetChanged();
    void CursorMoved();
    // A value of the current row changed (field nullptr: the whole row).
    void RecordChanged(TField* field);

private:
    TCachedDataSet* m_dataSet;
};
