#pragma once

#include "report/MeasurementReport.h"
#include "report/ReportPreviewForm.h"

class QWidget;
class TMainDataModule;

// Builds the report in the variant's band settings, showing the page being built when it
// takes long, and shows it in the modal preview: zoom, print and close for the report,
// zoom, save and close for the export. A failed build shows its error instead of the
// preview; a cancelled one shows nothing. Returns whether the preview was shown. A workbook
// writer adds the workbook type to the export's save dialog.
bool previewMeasurementReport(ReportTemplate& mainReport, ReportVariant variant,
                              ReportRowSource& rows, const MeasurandTexts& measurand,
                              QWidget* parent,
                              const ReportPreviewForm::WorkbookWriter& workbook = {});

// The body of the report and export commands: runs between BeginUpdate and EndUpdate of the
// data module (also when the build fails), previews the report of every result, and gives the
// user back the result that was current.
void previewProjectReport(ReportTemplate& mainReport, TMainDataModule& dataModule, QWidget* parent,
                          ReportVariant variant,
                          const ReportPreviewForm::WorkbookWriter& workbook = {});
