#include "report/ReportCommands.h"

#include "report/DataModuleRowSource.h"
#include "storage/MainDataModule.h"
#include "report/ReportPreviewCommand.h"
#include "report/ResultWorkbook.h"

#include <optional>

namespace {

// Holds BeginUpdate for the command and gives the user back the result that was current,
// since walking the rows leaves the cursor on the last one.
class CurrentRowScope
{
public:
    explicit CurrentRowScope(TMainDataModule& dataModule)
        : m_dataModule(dataModule),
          m_row(dataModule.dsetVORN->Active() ? dataModule.dsetVORN->RecNo() : -1)
    {
        m_update.emplace(dataModule);
    }

    ~CurrentRowScope()
    {
        try {
            if (m_row >= 0 && m_dataModule.dsetVORN->Active() &&
                m_row < m_dataModule.dsetVORN->RecordCount())
                m_dataModule.dsetVORN->SetRecNo(m_row);
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

void run(ReportTemplate& MainReport, TMainDataModule& dataModule, QWidget* parent,
         ReportVariant variant, const TReportPreviewForm::WorkbookWriter& workbook = {})
{
    CurrentRowScope scope(dataModule);
    DataModuleRowSource rows(dataModule);
    const MeasurandTexts measurand{dataModule.GetMeasurandName(), dataModule.GetMeasurandUnit()};
    previewMeasurementReport(MainReport, variant, rows, measurand, parent, workbook);
}

} // namespace

void printReport(ReportTemplate& MainReport, TMainDataModule& dataModule, QWidget* parent)
{
    run(MainReport, dataModule, parent, ReportVariant::Print);
}

void exportReport(ReportTemplate& MainReport, TMainDataModule& dataModule, QWidget* parent,
                  const QString& projectFile)
{
    run(MainReport, dataModule, parent, ReportVariant::Export,
        [&dataModule, projectFile](const QString& path,
                                   const std::function<bool(int, int)>& progress) {
            return saveResultWorkbook(dataModule, projectFile, path, progress);
        });
}
