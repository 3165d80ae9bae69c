#include "storage/DataSource.h"

DataSource::DataSource(QObject* parent, const QString& name, CachedDataSet* dataSet)
    : QObject(parent), m_dataSet(dataSet)
{
    setObjectName(name);
    connect(dataSet, &CachedDataSet::stateChanged, this, &DataSource::stateChanged);
    connect(dataSet, &CachedDataSet::dataSetChanged, this, &DataSource::dataSetChanged);
    connect(dataSet, &CachedDataSet::cursorMoved, this, &DataSource::cursorMoved);
    connect(dataSet, &CachedDataSet::recordChanged, this, &DataSource::recordChanged);
}
