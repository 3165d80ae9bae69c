#include "CsvExport.h"

#include "ReportBuilder.h"
#include "ReportFiles.h"

#include <QDir>
#include <QIODevice>
#include <QSaveFile>
#include <QStringEncoder>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Nearest integer, halves to the even neighbour (the default floating-point rounding mode).
long roundHalfEven(double v)
{
    return std::lrint(v);
}

} // namespace

QStringList CsvExport::pageLines(const BuiltReport& report, int page)
{
    // Records of a row in page order; reversed and stably sorted by X, a record lands
    // before any earlier record with the same X.
    std::map<long, std::vector<const BuiltText*>> rows;
    for (const BuiltText& t : report.pages[page].texts)
        rows[roundHalfEven(t.y / RowPitch)].push_back(&t);

    QStringList lines;
    for (auto& [row, records] : rows) {
        std::reverse(records.begin(), records.end());
        std::stable_sort(records.begin(), records.end(),
                         [](const BuiltText* a, const BuiltText* b) { return a->x < b->x; });
        QString line;
        long previous = 0;
        for (const BuiltText* t : records) {
            const long column = roundHalfEven(t->x / ColumnPitch);
            if (column > previous)
                line += QString(column - previous, u';');
            if (t->text.contains(u';'))
                line += u'"' + t->text + u'"';
            else
                line += t->text;
            previous = column;
        }
        if (!line.isEmpty())
            lines += line;
    }
    return lines;
}

bool CsvExport::write(const BuiltReport& report, QIODevice& device, const CsvProgress& progress)
{
    m_cancelled = false;
    m_error.clear();
    QStringEncoder encoder("windows-1251");
    const int pageCount = int(report.pages.size());
    for (int page = 0; page < pageCount; ++page) {
        if (progress && !progress(page + 1, pageCount)) {
            m_cancelled = true;
            return false;
        }
        QString text;
        for (const QString& line : pageLines(report, page)) {
            text += line;
            text += QLatin1String("\r\n");
        }
        const QByteArray bytes = encoder.encode(text);
        // A device may take part of a block; only a write that takes nothing is a failure.
        for (qsizetype done = 0; done < bytes.size();) {
            const qint64 written = device.write(bytes.constData() + done, bytes.size() - done);
            if (written <= 0) {
                m_error = device.errorString();
                return false;
            }
            done += written;
        }
    }
    return true;
}

QString csvFileName(const QString& chosen)
{
    return ReportFiles::withExtension(chosen, QStringLiteral(".csv"));
}

bool saveCsvFile(const BuiltReport& report, const QString& path, const CsvProgress& progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ReportFiles::cannotCreate(path, file.errorString());
    CsvExport csv;
    if (!csv.write(report, file, progress)) {
        file.cancelWriting();
        if (csv.cancelled())
            return false;
    }
    if (!csv.error().isEmpty() || !file.commit())
        throw ReportFiles::cannotWrite(path, csv.error().isEmpty() ? file.errorString()
                                                                   : csv.error());
    return true;
}
