#pragma once

#include "report/BuiltReport.h"

#include <QDialog>
#include <QPrinter>
#include <functional>

class QGraphicsView;
class QPrintPreviewWidget;
class QToolButton;

// The modal preview of a built report, opening zoomed to the page width, with the buttons
// the command asks for: zoom and close always, print for the report, save for the export.
class ReportPreviewForm : public QDialog
{
    Q_OBJECT
public:
    enum Button
    {
        ZoomButton = 0x1,
        PrintButton = 0x2,
        SaveButton = 0x4,
        CloseButton = 0x8,
    };
    Q_DECLARE_FLAGS(Buttons, Button)

    ReportPreviewForm(BuiltReport report, Buttons buttons, QWidget* parent = nullptr);
    ~ReportPreviewForm() override;

    // Writes the results as a workbook to the path, with progress (written, total) that
    // answers false to cancel; false when cancelled.
    using WorkbookWriter =
        std::function<bool(const QString& path, const std::function<bool(int, int)>& progress)>;

    const BuiltReport& report() const { return m_report; }
    // Offers the workbook type after CSV in the save dialog.
    void setWorkbookWriter(WorkbookWriter writer) { m_workbookWriter = std::move(writer); }
    QPrintPreviewWidget* preview() const { return m_preview; }

    // Opens the print dialog (printer, page range, copies) and prints the chosen pages.
    void printReport();
    // Asks for a file name and writes the report's lines into it as CSV, or the results as a
    // workbook when that type is offered and chosen.
    void saveReport();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a change of the view's size or zoom; a view that showed the top of page 1 before
    // shows it after, where the preview on its own would keep the middle in place.
    void keepingTheTop(const std::function<void()>& change);
    QToolButton* addButton(const char* name, const QString& text, const QIcon& icon);
    void addZoomMenu(QToolButton* button);

    BuiltReport m_report;
    WorkbookWriter m_workbookWriter;
    QPrinter m_previewPrinter;
    QPrinter m_printer;
    QPrintPreviewWidget* m_preview;
    QGraphicsView* m_view;
    QWidget* m_toolBar;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(ReportPreviewForm::Buttons)
