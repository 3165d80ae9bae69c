#include "report/MeasurementReport.h"

void applyBandSettings(ReportTemplate& mainReport, ReportVariant variant)
{
    const bool print = variant == ReportVariant::Print;
    mainReport.masterHeader.visible = true;
    mainReport.masterHeader.repeatHeader = print;
    mainReport.pageFooter.visible = print;
}

void MainReportGetValue(const QString& name, QVariant& value, const QString& measurandName,
                        const QString& measurandUnit)
{
    if (name == u"MeasurandName")
        value = measurandName;
    else if (name == u"MeasurandUnit")
        value = measurandUnit;
}

namespace {

ReportBuildContext measurementContext(const MeasurandTexts& measurand,
                                      const ReportProgress& progress, const QDateTime& moment)
{
    ReportBuildContext context;
    context.getValue = [&measurand](const QString& name, QVariant& value) {
        MainReportGetValue(name, value, measurand.name, measurand.unit);
    };
    context.progress = progress;
    context.moment = moment;
    return context;
}

} // namespace

BuiltReport buildMeasurementReport(ReportTemplate& mainReport, ReportVariant variant,
                                   ReportRowSource& rows, const MeasurandTexts& measurand,
                                   const ReportProgress& progress, const QDateTime& moment)
{
    applyBandSettings(mainReport, variant);
    return buildReport(mainReport, rows, measurementContext(measurand, progress, moment));
}

void streamMeasurementReport(ReportTemplate& mainReport, ReportVariant variant,
                             ReportRowSource& rows, const MeasurandTexts& measurand,
                             const ReportPageSink& sink, const ReportProgress& progress,
                             const QDateTime& moment)
{
    applyBandSettings(mainReport, variant);
    ReportBuildContext context = measurementContext(measurand, progress, moment);
    context.pageSink = sink;
    buildReport(mainReport, rows, context);
}
