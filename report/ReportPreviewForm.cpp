#include "report/ReportPreviewForm.h"

#include "common/OutputGuard.h"
#include "common/ui/MessageBoxes.h"
#include "report/CsvExport.h"
#include "report/ReportBuilder.h"
#include "report/ReportPrinting.h"
#include "report/ReportProgressDialog.h"
#include "report/ResultWorkbook.h"

#include <QEvent>
#include <QFileDialog>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString CsvFilter = QStringLiteral("CSV File (*.csv)");
const QString WorkbookFilter = QStringLiteral("Книга Excel (*.xlsx)");

// The folder of the last saved file, offered again within the run.
QString& lastSaveFolder()
{
    static QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return folder;
}

} // namespace

ReportPreviewForm::ReportPreviewForm(BuiltReport report, Buttons buttons, QWidget* parent)
    : QDialog(parent), m_report(std::move(report)), m_previewPrinter(QPrinter::HighResolution),
      m_printer(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("ReportPreviewForm"));
    setWindowTitle(QStringLiteral("Предварительный просмотр"));
    setModal(true);
    resize(900, 700);

    ReportPrinting::preparePrinter(m_previewPrinter, m_report);
    ReportPrinting::preparePrinter(m_printer, m_report);

    m_toolBar = new QWidget(this);
    auto* tools = new QHBoxLayout(m_toolBar);
    tools->setContentsMargins(4, 4, 4, 4);
    if (buttons & ZoomButton)
        addZoomMenu(addButton("ZoomButton", QStringLiteral("Масштаб"),
                              QIcon::fromTheme(QStringLiteral("zoom-fit-width"))));
    if (buttons & PrintButton)
        connect(addButton("PrintButton", QStringLiteral("Печать"),
                          QIcon::fromTheme(QStringLiteral("document-print"))),
                &QToolButton::clicked, this, &ReportPreviewForm::printReport);
    if (buttons & SaveButton)
        connect(addButton("SaveButton", QStringLiteral("Сохранить"),
                          style()->standardIcon(QStyle::SP_DialogSaveButton)),
                &QToolButton::clicked, this, &ReportPreviewForm::saveReport);
    if (buttons & CloseButton)
        connect(addButton("CloseButton", QStringLiteral("Закрыть"),
                          style()->standardIcon(QStyle::SP_DialogCloseButton)),
                &QToolButton::clicked, this, &QDialog::reject);
    tools->addStretch();

    m_preview = new QPrintPreviewWidget(&m_previewPrinter, this);
    m_preview->setObjectName(QStringLiteral("PreviewWidget"));
    m_preview->setZoomMode(QPrintPreviewWidget::FitToWidth);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* printer) { ReportRenderer::render(m_report, *printer); });
    m_view = m_preview->findChild<QGraphicsView*>();
    if (m_view)
        m_view->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_preview, 1);
}

ReportPreviewForm::~ReportPreviewForm() = default;

bool ReportPreviewForm::eventFilter(QObject* watched, QEvent* event)
{
    // Seen before the view fits the pages to its new size.
    if (watched == m_view && event->type() == QEvent::Resize)
        keepingTheTop({});
    return QDialog::eventFilter(watched, event);
}

void ReportPreviewForm::keepingTheTop(const std::function<void()>& change)
{
    const QScrollBar* bar = m_view ? m_view->verticalScrollBar() : nullptr;
    const bool atTop = bar && bar->value() == bar->minimum();
    if (change)
        change();
    if (atTop) {
        // The preview fits its pages again from a queued call after a change of size.
        QTimer::singleShot(0, this, [this] {
            m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->minimum());
        });
    }
}

QToolButton* ReportPreviewForm::addButton(const char* name, const QString& text, const QIcon& icon)
{
    auto* button = new QToolButton(m_toolBar);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setToolTip(text);
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolBar->layout()->addWidget(button);
    return button;
}

void ReportPreviewForm::addZoomMenu(QToolButton* button)
{
    auto* menu = new QMenu(button);
    menu->addAction(QStringLiteral("По ширине страницы"), this, [this] {
        keepingTheTop([this] { m_preview->setZoomMode(QPrintPreviewWidget::FitToWidth); });
    });
    menu->addAction(QStringLiteral("Страница целиком"), this, [this] {
        keepingTheTop([this] { m_preview->setZoomMode(QPrintPreviewWidget::FitInView); });
    });
    menu->addSeparator();
    for (int percent : {200, 150, 100, 75, 50, 25}) {
        menu->addAction(QStringLiteral("%1%").arg(percent), this, [this, percent] {
            keepingTheTop([this, percent] {
                m_preview->setZoomMode(QPrintPreviewWidget::CustomZoom);
                // Zoom 1 shows the sheet at the screen's size of a real sheet.
                m_preview->setZoomFactor(percent / 100.0);
            });
        });
    }
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
}

void ReportPreviewForm::printReport()
{
    const int pageCount = int(m_report.pages.size());
    QPrintDialog dialog(&m_printer, this);
    dialog.setObjectName(QStringLiteral("ReportPrintDialog"));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies);
    dialog.setMinMax(1, pageCount);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString outputFile = m_printer.outputFileName();
    if (!outputFile.isEmpty() && OutputGuard::wouldDestroyProject(outputFile)) {
        showErrorSentence(this, OutputGuard::refusal(outputFile));
        return;
    }

    ReportProgressDialog progress(this);
    const bool printed =
        ReportPrinting::print(m_report, m_printer, [&progress, pageCount](int page) {
            return progress.step(
                QStringLiteral("Печать страницы %1 из %2").arg(page).arg(pageCount), page,
                pageCount);
        });
    if (!printed && !progress.wasCanceled())
        showErrorSentence(this, QStringLiteral("Cannot print the report on \"%1\"")
                                    .arg(m_printer.outputFileName().isEmpty()
                                             ? m_printer.printerName()
                                             : m_printer.outputFileName()));
}

void ReportPreviewForm::saveReport()
{
    if (!QFileInfo(lastSaveFolder()).isDir())
        lastSaveFolder() = QDir::homePath();
    QStringList filters{CsvFilter};
    if (m_workbookWriter)
        filters << WorkbookFilter;
    QFileDialog dialog(this, QStringLiteral("Сохранить отчёт"), lastSaveFolder());
    dialog.setObjectName(QStringLiteral("ReportSaveDialog"));
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectNameFilter(CsvFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;

    const bool workbook = m_workbookWriter && dialog.selectedNameFilter() == WorkbookFilter;
    const QString chosen = dialog.selectedFiles().constFirst();
    const QString path = workbook ? workbookFileName(chosen) : csvFileName(chosen);
    lastSaveFolder() = QFileInfo(path).absolutePath();
    ReportProgressDialog progress(this);
    try {
        if (workbook) {
            m_workbookWriter(path, [&progress](int written, int total) {
                return progress.step(
                    QStringLiteral("Запись результата %1 из %2").arg(written).arg(total), written,
                    total);
            });
        } else {
            saveCsvFile(m_report, path, [&progress](int page, int count) {
                return progress.step(
                    QStringLiteral("Запись страницы %1 из %2").arg(page).arg(count), page, count);
            });
        }
    } catch (const std::exception& e) {
        progress.close();
        showErrorSentence(this, QString::fromUtf8(e.what()));
    }
}
