#include "report/PrintReportCommand.h"

#include "report/ReportPreviewCommand.h"

void printReport(ReportTemplate& MainReport, TMainDataModule& dataModule, QWidget* parent)
{
    previewProjectReport(MainReport, dataModule, parent, ReportVariant::Print);
}
