#include "report/ReportPreviewCommand.h"

#include "common/ui/MessageBoxes.h"
#include "report/ReportProgressDialog.h"

bool previewMeasurementReport(ReportTemplate& mainReport, ReportVariant variant,
                              ReportRowSource& rows, const MeasurandTexts& measurand,
                              QWidget* parent, const TReportPreviewForm::WorkbookWriter& workbook)
{
    BuiltReport report;
    {
        ReportProgressDialog progress(parent);
        try {
            report = buildMeasurementReport(mainReport, variant, rows, measurand, [&](int page) {
                return progress.step(QStringLiteral("Построение страницы %1").arg(page), 0, 0);
            });
        } catch (const ReportCancelled&) {
            return false;
        } catch (const std::exception& e) {
            progress.close();
            ShowErrorSentence(parent, QString::fromUtf8(e.what()));
            return false;
        }
    }
    using F = TReportPreviewForm;
    const F::Buttons buttons = F::ZoomButton | F::CloseButton |
                               (variant == ReportVariant::Print ? F::PrintButton : F::SaveButton);
    TReportPreviewForm preview(std::move(report), buttons, parent);
    preview.setWorkbookWriter(workbook);
    preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
    preview.exec();
    return true;
}
