#pragma once

#include "BuiltReport.h"

#include <QString>
#include <functional>

class QIODevice;

// Told the number of the page being written and the number of pages; false cancels.
using CsvProgress = std::function<bool(int page, int pageCount)>;

// Writes the texts of the built pages as semicolon-separated lines in Windows-1251, CR LF
// after every line, pages one after another. Returns false with error() set when the
// device refuses a write or progress cancels.
class CsvExport
{
public:
    static constexpr double ColumnPitch = 64.0;
    static constexpr double RowPitch = 14.0;

    bool write(const BuiltReport& report, QIODevice& device, const CsvProgress& progress = {});
    bool cancelled() const { return m_cancelled; }
    QString error() const { return m_error; }

    // The lines of one page, without their line ends.
    static QStringList pageLines(const BuiltReport& report, int page);

private:
    bool m_cancelled = false;
    QString m_error;
};

// The chosen name with its extension replaced by ".csv" (added when it has none).
QString csvFileName(const QString& chosen);

// Writes the CSV file through a temporary file that replaces the target only when every
// byte was written, so a failed or cancelled save leaves an earlier file untouched.
// Throws ReportError with "Cannot create file "%s". %s" when the file cannot be created,
// or with the write error; returns false when progress cancelled.
bool saveCsvFile(const BuiltReport& report, const QString& path, const CsvProgress& progress = {});
