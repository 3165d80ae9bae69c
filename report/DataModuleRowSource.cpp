#include "report/DataModuleRowSource.h"

#include "storage/TMainDataModule.h"

DataModuleRowSource::DataModuleRowSource(TMainDataModule& dataModule) : m_dataModule(dataModule) {}

QString DataModuleRowSource::name() const
{
    return QStringLiteral("MainDataModule.dsetVORN");
}

void DataModuleRowSource::first()
{
    if (!m_dataModule.dsetVORN->active())
        m_dataModule.dsetVORN->open();
    m_dataModule.dsetVORN->first();
}

void DataModuleRowSource::next()
{
    m_dataModule.dsetVORN->next();
}

bool DataModuleRowSource::atEnd() const
{
    return m_dataModule.dsetVORN->eof();
}

Field* DataModuleRowSource::field(const QString& name) const
{
    auto it = m_fields.find(name);
    if (it == m_fields.end())
        it = m_fields.insert(name, m_dataModule.dsetVORN->findField(name));
    return *it;
}

bool DataModuleRowSource::hasField(const QString& name) const
{
    return field(name) != nullptr;
}

bool DataModuleRowSource::isIntegerField(const QString& name) const
{
    const Field* f = field(name);
    // The kind code is stored as an integer but shown by its name, as the results table does.
    return f && f->kind() == FieldKind::Integer && f != m_dataModule.dsetVORNREINF_KIND_ID;
}

QString DataModuleRowSource::displayText(const QString& name) const
{
    return field(name)->displayText();
}

qint64 DataModuleRowSource::integerValue(const QString& name) const
{
    return field(name)->asInteger();
}
