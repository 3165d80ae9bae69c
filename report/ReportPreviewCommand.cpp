#include "report/ReportPreviewCommand.h"

#include "common/ui/MessageBoxes.h"
#include "report/DataModuleRowSource.h"
#include "report/ReportProgressDialog.h"
#include "storage/TMainDataModule.h"

#include <optional>

namespace {

// Holds BeginUpdate for the command and gives the user back the result that was current,
// since walking the rows leaves the cursor on the last one.
class CurrentRowScope
{
public:
    explicit CurrentRowScope(TMainDataModule& dataModule)
        : m_dataModule(dataModule),
          m_row(dataModule.dsetVORN->active() ? dataModule.dsetVORN->recNo() : -1)
    {
        m_update.emplace(dataModule);
    }

    ~CurrentRowScope()
    {
        try {
            if (m_row >= 0 && m_dataModule.dsetVORN->active() &&
                m_row < m_dataModule.dsetVORN->recordCount())
                m_dataModule.dsetVORN->setRecNo(m_row);
        } catch (...) {
            // The cursor stays where the walk left it; the details below follow it.
        }
        m_update.reset();
        try {
            m_dataModule.NotifyScroll();
        } catch (...) {
        }
    }

    CurrentRowScope(const CurrentRowScope&) = delete;
    CurrentRowScope& operator=(const CurrentRowScope&) = delete;

private:
    TMainDataModule& m_dataModule;
    int m_row;
    std::optional<TMainDataModule::UpdateScope> m_update;
};

} // namespace

bool previewMeasurementReport(ReportTemplate& mainReport, ReportVariant variant,
                              ReportRowSource& rows, const MeasurandTexts& measurand,
                              QWidget* parent, const ReportPreviewForm::WorkbookWriter& workbook)
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
            showErrorSentence(parent, QString::fromUtf8(e.what()));
            return false;
        }
    }
    using F = ReportPreviewForm;
    const F::Buttons buttons = F::ZoomButton | F::CloseButton |
                               (variant == ReportVariant::Print ? F::PrintButton : F::SaveButton);
    ReportPreviewForm preview(std::move(report), buttons, parent);
    preview.setWorkbookWriter(workbook);
    preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
    preview.exec();
    return true;
}

void previewProjectReport(ReportTemplate& mainReport, TMainDataModule& dataModule, QWidget* parent,
                          ReportVariant variant, const ReportPreviewForm::WorkbookWriter& workbook)
{
    CurrentRowScope scope(dataModule);
    DataModuleRowSource rows(dataModule);
    const MeasurandTexts measurand{dataModule.GetMeasurandName(), dataModule.GetMeasurandUnit()};
    previewMeasurementReport(mainReport, variant, rows, measurand, parent, workbook);
}
