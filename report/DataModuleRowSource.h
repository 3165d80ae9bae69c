#pragma once

#include "report/ReportRowSource.h"

#include <QHash>

class Field;
class TMainDataModule;

// The results of the data module as report rows: MainDataModule.dsetVORN from its first row
// to its last, opened when it is closed and left open. Texts are the fields' display texts,
// the same the results table shows.
class DataModuleRowSource : public ReportRowSource
{
public:
    explicit DataModuleRowSource(TMainDataModule& dataModule);

    QString name() const override;
    void first() override;
    void next() override;
    bool atEnd() const override;
    bool hasField(const QString& field) const override;
    bool isIntegerField(const QString& field) const override;
    QString displayText(const QString& field) const override;
    qint64 integerValue(const QString& field) const override;

private:
    Field* field(const QString& name) const;

    TMainDataModule& m_dataModule;
    mutable QHash<QString, Field*> m_fields;
};
