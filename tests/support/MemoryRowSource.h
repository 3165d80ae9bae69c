#pragma once

#include "report/ReportRowSource.h"

#include <QStringList>
#include <QVariant>
#include <vector>

// Rows held in memory for tests of layout and paging: each field holds either a display text
// (QString), an integer (qint64) or nothing (an invalid QVariant). Which texts the results
// dataset gives (kind names, F in the chosen unit) is not decided here: tests of those read a
// real project through the data module.
class MemoryRowSource : public ReportRowSource
{
public:
    static const QStringList ResultFields;

    explicit MemoryRowSource(QStringList fields = ResultFields,
                             QStringList integerFields = {QStringLiteral("MSR_NUMBER"),
                                                          QStringLiteral("REINF_DIAMETER")});

    // count results with dates, times, numbers, kinds, diameters and F texts that vary.
    static MemoryRowSource results(int count);

    void append(QVariantList row) { m_rows.push_back(std::move(row)); }
    int rowCount() const { return int(m_rows.size()); }
    int position() const { return m_pos; }

    QString name() const override { return QStringLiteral("MainDataModule.dsetVORN"); }
    void first() override { m_pos = 0; }
    void next() override { ++m_pos; }
    bool atEnd() const override { return m_pos >= int(m_rows.size()); }
    bool hasField(const QString& field) const override { return m_fields.contains(field); }
    bool isIntegerField(const QString& field) const override
    {
        return m_integerFields.contains(field);
    }
    QString displayText(const QString& field) const override { return value(field).toString(); }
    qint64 integerValue(const QString& field) const override { return value(field).toLongLong(); }

private:
    QVariant value(const QString& field) const
    {
        return m_rows.at(size_t(m_pos)).value(m_fields.indexOf(field));
    }

    QStringList m_fields;
    QStringList m_integerFields;
    std::vector<QVariantList> m_rows;
    int m_pos = 0;
};

inline const QStringList MemoryRowSource::ResultFields = {
    QStringLiteral("MSR_DATE"),      QStringLiteral("MSR_TIME"),       QStringLiteral("MSR_NUMBER"),
    QStringLiteral("REINF_KIND_ID"), QStringLiteral("REINF_DIAMETER"), QStringLiteral("F")};

inline MemoryRowSource::MemoryRowSource(QStringList fields, QStringList integerFields)
    : m_fields(std::move(fields)), m_integerFields(std::move(integerFields))
{
}

inline MemoryRowSource MemoryRowSource::results(int count)
{
    static const QString kinds[] = {QStringLiteral("стержневая"), QStringLiteral("канатная"),
                                    QStringLiteral("арматура 1"), QStringLiteral("арматура 2")};
    MemoryRowSource source;
    for (int i = 0; i < count; ++i) {
        const int second = 8 * 3600 + 37 * i;
        source.append({QStringLiteral("%1.03.2025").arg(1 + i % 28, 2, 10, QChar(u'0')),
                       QStringLiteral("%1:%2:%3")
                           .arg(second / 3600 % 24, 2, 10, QChar(u'0'))
                           .arg(second / 60 % 60, 2, 10, QChar(u'0'))
                           .arg(second % 60, 2, 10, QChar(u'0')),
                       qint64(i + 1), kinds[i % 4], qint64(10 + 2 * (i % 8)),
                       QString::number(1000 + 37 * i)});
    }
    return source;
}
