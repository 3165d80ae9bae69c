#pragma once

#include "report/BuiltReport.h"
#include "report/MeasurementReport.h"
#include "report/ReportBuilder.h"

#include <QByteArrayView>
#include <QString>
#include <functional>

class QIODevice;

// Told the number of the page being written and the number of pages; false cancels.
using CsvProgress = std::function<bool(int page, int pageCount)>;

// Given the bytes of one page; false when it could not take them, which stops the export.
using CsvByteSink = std::function<bool(QByteArrayView bytes)>;

// Writes the texts of the built pages as semicolon-separated lines in Windows-1251, CR LF
// after every line, pages one after another. Returns false with error() set when the
// device refuses a write or progress cancels.
class CsvExport
{
public:
    static constexpr double ColumnPitch = 64.0;
    static constexpr double RowPitch = 14.0;

    bool write(const BuiltReport& report, QIODevice& device, const CsvProgress& progress = {});

    // Builds the export variant of the measurement report over the rows and writes each page
    // as soon as it is laid out: the bytes of write() on the whole report, while only one
    // page is held. Progress is told the page being built, as the build tells it. Errors of
    // the build and of the row source pass through.
    bool writeStreamed(ReportTemplate& mainReport, ReportRowSource& rows,
                       const MeasurandTexts& measurand, QIODevice& device,
                       const ReportProgress& progress = {});
    // The same into a sink; a refusal of the sink returns false with error() empty.
    bool writeStreamed(ReportTemplate& mainReport, ReportRowSource& rows,
                       const MeasurandTexts& measurand, const CsvByteSink& sink,
                       const ReportProgress& progress = {});

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

// The same for the export variant built over the rows while it is written (writeStreamed).
bool saveCsvFile(ReportTemplate& mainReport, ReportRowSource& rows, const MeasurandTexts& measurand,
                 const QString& path, const ReportProgress& progress = {});
