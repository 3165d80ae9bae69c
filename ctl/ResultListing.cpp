// SPDX-License-Identifier: GPL-3.0-or-later
#include "ctl/ResultListing.h"

#include "common/OleDate.h"
#include "ctl/CtlOutput.h"
#include "storage/ResultTexts.h"
#include "storage/TMainDataModule.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace ResultListing {

namespace {

struct Row
{
    QJsonValue dateTime;
    QJsonValue number;
    QJsonValue kind;
    QJsonValue kindName;
    QJsonValue diameter;
    QJsonValue forceEstimate;
    QJsonValue base;
    QJsonValue fKgf;
    QJsonValue f;
    QJsonValue p;
    QJsonValue s;
    QJsonValue comment;
};

const char* const Columns[] = {
    "date_time", "number", "kind", "kind_name", "diameter", "force_estimate",
    "base",      "f_kgf",  "f",    "p",         "s",        "comment"};

QJsonValue integer(const Field* field)
{
    return field->isNull() ? QJsonValue() : QJsonValue(field->asInteger());
}

QJsonValue real(std::optional<double> value)
{
    if (!value || !std::isfinite(*value))
        return QJsonValue();
    return QJsonValue(*value);
}

// The columns hold 32-bit floats: their shortest text that reads back as the same float is
// their full precision, without the digits that widening to double invents.
QJsonValue real(const Field* field)
{
    if (field->isNull())
        return QJsonValue();
    const float value = float(field->asFloat());
    std::array<char, 64> text{};
    const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
    return real(QByteArray(text.data(), end - text.data()).toDouble());
}

// The date of MSR_DATE and the time of MSR_TIME, as the results table shows them.
QJsonValue dateTime(const TMainDataModule& m)
{
    if (m.dsetVORNMSR_DATE->isNull())
        return QJsonValue();
    const QString date = isoDateTime(m.dsetVORNMSR_DATE->asDateTime()).left(10);
    if (m.dsetVORNMSR_TIME->isNull())
        return date;
    return date + isoDateTime(m.dsetVORNMSR_TIME->asDateTime()).mid(10);
}

// Hands each result to take in the table's order, formed one at a time so that a long project
// is never held twice; stops when take returns false.
template <class Take> void forEachRow(TMainDataModule& m, Take take)
{
    ResultDataSet& results = *m.dsetVORN;
    TMainDataModule::UpdateScope update(m);
    for (results.first(); !results.eof(); results.next()) {
        Row row;
        row.dateTime = dateTime(m);
        row.number = integer(m.dsetVORNMSR_NUMBER);
        row.kind = integer(m.dsetVORNREINF_KIND_ID);
        if (!m.dsetVORNREINF_KIND_ID->isNull())
            row.kindName = ResultTexts::reinfKindName(m.dsetVORNREINF_KIND_ID->asInteger());
        row.diameter = integer(m.dsetVORNREINF_DIAMETER);
        row.forceEstimate = integer(m.dsetVORNFORCE_ESTIMATE);
        row.base = integer(m.dsetVORNBASE);
        row.fKgf = real(m.dsetVORNF);
        if (!m.dsetVORNF->isNull())
            row.f = real(ResultTexts::shownForce(
                m.dsetVORNF->asFloat(),
                m.dsetVORNREINF_DIAMETER->isNull() ? 0 : m.dsetVORNREINF_DIAMETER->asInteger(),
                m.MeasurandCode, m.LoadUnitCode));
        row.p = real(m.dsetVORNP);
        row.s = real(m.dsetVORNS);
        if (!m.dsetVORNMSR_COMMENT->isNull())
            row.comment = m.dsetVORNMSR_COMMENT->asString();
        if (!take(row))
            return;
    }
}

// Gathers the output into blocks, so that a long listing goes out neither whole nor one row
// per system call.
class BlockWriter
{
public:
    explicit BlockWriter(const OutputWriter& write) : m_write(write) {}
    bool add(const QByteArray& bytes)
    {
        m_block += bytes;
        if (m_block.size() >= BlockSize)
            flush();
        return m_ok;
    }
    bool finish()
    {
        flush();
        return m_ok;
    }

private:
    static constexpr qsizetype BlockSize = 64 * 1024;
    void flush()
    {
        if (m_ok && !m_block.isEmpty())
            m_ok = m_write(m_block);
        m_block.resize(0); // keeps its room for the next block
    }
    const OutputWriter& m_write;
    QByteArray m_block;
    bool m_ok = true;
};

std::vector<QJsonValue> values(const Row& row)
{
    return {row.dateTime, row.number, row.kind, row.kindName, row.diameter, row.forceEstimate,
            row.base,     row.fKgf,   row.f,    row.p,        row.s,        row.comment};
}

// Tabs, line ends and backslashes inside a value are escaped, so that a value never splits
// a line or a column.
QString tsvCell(const QJsonValue& value)
{
    if (value.isNull() || value.isUndefined())
        return QString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    QString text = value.toString();
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'\t', QStringLiteral("\\t"));
    text.replace(u'\n', QStringLiteral("\\n"));
    text.replace(u'\r', QStringLiteral("\\r"));
    return text;
}

QJsonObject selection(const TMainDataModule& m)
{
    static const QStringList measurands{QStringLiteral("force"), QStringLiteral("stress")};
    static const QStringList units{QStringLiteral("kgf"), QStringLiteral("N")};
    return {{QStringLiteral("measurand"), measurands.value(m.MeasurandCode)},
            {QStringLiteral("unit"), units.value(m.LoadUnitCode)},
            {QStringLiteral("measurand_name"), m.GetMeasurandName()},
            {QStringLiteral("unit_name"), m.GetMeasurandUnit()}};
}

QString deviceName(const TMainDataModule& m)
{
    return QString::fromLatin1(m.DescriptionDataSetDEVICE_NAME->asBytes());
}

} // namespace

QString isoDateTime(double oleDate)
{
    const OleDate::Parts p = OleDate::toParts(oleDate);
    QString text = QStringLiteral("%1-%2-%3T%4:%5:%6")
                       .arg(p.year, 4, 10, QChar(u'0'))
                       .arg(p.month, 2, 10, QChar(u'0'))
                       .arg(p.day, 2, 10, QChar(u'0'))
                       .arg(p.hour, 2, 10, QChar(u'0'))
                       .arg(p.minute, 2, 10, QChar(u'0'))
                       .arg(p.second, 2, 10, QChar(u'0'));
    if (p.msec != 0)
        text += QStringLiteral(".%1").arg(p.msec, 3, 10, QChar(u'0'));
    return text;
}

void tsv(TMainDataModule& dataModule, const OutputWriter& write)
{
    QStringList header;
    for (const char* column : Columns)
        header.append(QString::fromLatin1(column));
    BlockWriter out(write);
    if (!out.add((header.join(u'\t') + u'\n').toUtf8()))
        return;
    forEachRow(dataModule, [&out](const Row& row) {
        QStringList cells;
        for (const QJsonValue& value : values(row))
            cells.append(tsvCell(value));
        return out.add((cells.join(u'\t') + u'\n').toUtf8());
    });
    out.finish();
}

// Qt's own writer lays out each result, indented to its place in the array, so that the
// whole is byte for byte what one document of every result would give.
void json(TMainDataModule& dataModule, const OutputWriter& write)
{
    QJsonObject document = selection(dataModule);
    document.insert(QStringLiteral("results"), QJsonArray());
    const QByteArray frame = QJsonDocument(document).toJson(QJsonDocument::Indented);
    // No text value holds a raw line end, so the array's opening is found only once.
    static const QByteArray opening = QByteArrayLiteral("\"results\": [\n");
    const qsizetype split = frame.indexOf(opening) + opening.size();
    static const QByteArray elementIndent(8, ' ');

    BlockWriter out(write);
    bool ok = out.add(frame.left(split));
    bool first = true;
    if (ok)
        forEachRow(dataModule, [&](const Row& row) {
            QJsonObject object;
            const std::vector<QJsonValue> cells = values(row);
            for (size_t i = 0; i < cells.size(); ++i)
                object.insert(QString::fromLatin1(Columns[i]),
                              cells[i].isUndefined() ? QJsonValue() : cells[i]);
            QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Indented);
            text.chop(1); // the document's final line end
            text.replace("\n", "\n" + elementIndent);
            ok = out.add((first ? QByteArray() : QByteArrayLiteral(",\n")) + elementIndent + text);
            first = false;
            return ok;
        });
    if (ok && !first)
        ok = out.add(QByteArrayLiteral("\n"));
    if (ok && out.add(frame.mid(split)))
        out.finish();
}

QByteArray infoText(TMainDataModule& dataModule)
{
    const ResultsOverview s = dataModule.storedResultsSummary();
    QString text = QStringLiteral("Прибор: %1, версия данных %2\nРезультатов: %3\n")
                       .arg(deviceName(dataModule))
                       .arg(dataModule.DescriptionDataSetDEVICE_DATA_VERSION->asInteger())
                       .arg(s.count);
    auto moment = [](double ole) {
        return ResultTexts::dateText(ole) + u' ' + ResultTexts::timeText(ole);
    };
    if (s.first)
        text +=
            QStringLiteral("Первый: %1\nПоследний: %2\n").arg(moment(*s.first), moment(*s.last));
    return text.toUtf8();
}

QByteArray infoJson(TMainDataModule& dataModule)
{
    const ResultsOverview s = dataModule.storedResultsSummary();
    const Field* description = dataModule.DescriptionDataSetPROJECT_DESC;
    const QJsonObject document{
        {QStringLiteral("device_name"), deviceName(dataModule)},
        {QStringLiteral("data_version"),
         dataModule.DescriptionDataSetDEVICE_DATA_VERSION->asInteger()},
        {QStringLiteral("results"), double(s.count)},
        {QStringLiteral("first"), s.first ? QJsonValue(isoDateTime(*s.first)) : QJsonValue()},
        {QStringLiteral("last"), s.last ? QJsonValue(isoDateTime(*s.last)) : QJsonValue()},
        {QStringLiteral("description"),
         description->isNull() ? QJsonValue() : QJsonValue(description->asString())},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

} // namespace ResultListing
