#include "storage/DataSource.h"

DataSource::DataSource(QObject* parent, const QString& name, CachedDataSet* dataSet)
    : QObject(parent), m_dataSet(dataSet)
{
    setObjectName(name);
    connect(dataSet, &CachedDataSet::StateChanged, this, &DataSource::StateChanged);
    connect(dataSet, &CachedDataSet::DataSetChanged, this, &DataSource::DataSetChanged);
    connect(dataSet, &CachedDataSet::CursorMoved, this, &DataSource::CursorMoved);
    connect(dataSet, &CachedDataSet::RecordChanged, this, &DataSource::RecordChanged);
}
