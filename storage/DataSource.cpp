#include "storage/DataSource.h"

TDataSource::TDataSource(QObject* parent, const QString& name, TCachedDataSet* dataSet)
    : QObject(parent), m_dataSet(dataSet)
{
    setObjectName(name);
    connect(dataSet, &TCachedDataSet::StateChanged, this, &TDataSource::StateChanged);
    connect(dataSet, &TCachedDataSet::DataSetChanged, this, &TDataSource::DataSetChanged);
    connect(dataSet, &TCachedDataSet::CursorMoved, this, &TDataSource::CursorMoved);
    connect(dataSet, &TCachedDataSet::RecordChanged, this, &TDataSource::RecordChanged);
}
