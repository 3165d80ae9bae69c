#pragma once

#include <QString>

// The rows a report walks, from the first to the last. Field names are the dataset's
// column names ("MSR_DATE"); the report addresses them as <name()>."COLUMN".
class ReportRowSource
{
public:
    virtual ~ReportRowSource() = default;

    virtual QString name() const = 0;
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool atEnd() const = 0;

    virtual bool hasField(const QString& field) const = 0;
    // Integer fields print their value (an empty field gives 0); the others their display text.
    virtual bool isIntegerField(const QString& field) const = 0;
    virtual QString displayText(const QString& field) const = 0;
    virtual qint64 integerValue(const QString& field) const = 0;
};
