#pragma once

#include "report/BuiltReport.h"
#include "report/ReportBuilder.h"
#include "report/ReportTemplate.h"

#include <QString>
#include <QVariant>

enum class ReportVariant
{
    Print,  // header repeated on every page, footer on every page
    Export, // header once, no footer: the lines a spreadsheet wants
};

// Sets the band settings a command builds with. They stay in the template until the next
// command sets them again.
void applyBandSettings(ReportTemplate& mainReport, ReportVariant variant);

// The value callback of the measurement report: answers exactly "MeasurandName" and
// "MeasurandUnit" (letter case included) and leaves every other name unset.
void MainReportGetValue(const QString& name, QVariant& value, const QString& measurandName,
                        const QString& measurandUnit);

struct MeasurandTexts
{
    QString name;
    QString unit;
};

// Applies the variant's band settings and builds the report over the rows.
BuiltReport buildMeasurementReport(ReportTemplate& mainReport, ReportVariant variant,
                                   ReportRowSource& rows, const MeasurandTexts& measurand,
                                   const ReportProgress& progress = {},
                                   const QDateTime& moment = QDateTime::currentDateTime());

// The same with every page handed to the sink as soon as it is complete instead of kept.
void streamMeasurementReport(ReportTemplate& mainReport, ReportVariant variant,
                             ReportRowSource& rows, const MeasurandTexts& measurand,
                             const ReportPageSink& sink, const ReportProgress& progress = {},
                             const QDateTime& moment = QDateTime::currentDateTime());
