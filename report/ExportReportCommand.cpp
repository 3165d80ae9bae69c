#include "report/ExportReportCommand.h"

#include "report/ReportPreviewCommand.h"
#include "report/ResultWorkbook.h"
#include "storage/TMainDataModule.h"

void exportReport(ReportTemplate& MainReport, TMainDataModule& dataModule, QWidget* parent,
                  const QString& projectFile)
{
    previewProjectReport(MainReport, dataModule, parent, ReportVariant::Export,
                         [&dataModule, projectFile](const QString& path,
                                                    const std::function<bool(int, int)>& progress) {
                             return saveResultWorkbook(dataModule, projectFile, path, progress);
                         });
}
