#pragma once

#include "report/ReportTemplate.h"

class QString;
class QWidget;
class TMainDataModule;

// The body of the main window's ExportActionExecute: builds the export of every result in
// MainReport's band settings and shows it in the modal preview with zoom, save (CSV, or the
// results as a workbook naming projectFile) and close. The band settings stay in MainReport.
void exportReport(ReportTemplate& MainReport, TMainDataModule& dataModule, QWidget* parent,
                  const QString& projectFile = {});
