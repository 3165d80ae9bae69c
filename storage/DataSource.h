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

    CachedDataSet* dataSet() const { return m_dataSet; }
    DataSetState state() const { return m_dataSet->state(); }

signals:
    void stateChanged(DataSetState state);
    // Rows came, went, moved or were re-read: redraw everything.
    void dataSetChanged();
    void cursorMoved();
    // A value of the current row changed (field nullptr: the whole row).
    void recordChanged(Field* field);

private:
    CachedDataSet* m_dataSet;
};
