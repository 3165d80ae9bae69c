#pragma once

#include "report/ReportTemplate.h"

class QString;
class QWidget;
class TMainDataModule;

// The bodies of the main window's PrintReportActionExecute and ExportActionExecute. Each runs
// between BeginUpdate and EndUpdate of the data module (also when the build fails), builds the
// report of every result in MainReport's band settings for the command, and shows it in the
// modal preview: the report with zoom, print and close; the export with zoom, save (CSV) and
// close. MainReport is the main window's template; the band settings stay in it.
void printReport(ReportTemplate& MainReport, TMainDataModule& dataModule, QWidget* parent);
// The export's save dialog also offers the results as a workbook naming projectFile.
void exportReport(ReportTemplate& MainReport, TMainDataModule& dataModule, QWidget* parent,
                  const QString& projectFile = {});
