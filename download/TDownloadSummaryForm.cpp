#include "download/TDownloadSummaryForm.h"

#include "common/ui/ScreenCentre.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

QLabel* labelAt(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

} // namespace

TDownloadSummaryForm::TDownloadSummaryForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("DownloadSummaryForm"));
    setWindowTitle(QStringLiteral("Результаты чтения"));
    setModal(true);
    setFixedSize(194, 119);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 193, 81);

    Label1 = labelAt(this, "Label1", QStringLiteral("В памяти прибора"), 16, 16);
    Label2 = labelAt(this, "Label2", QStringLiteral("Добавлено в проект"), 16, 56);
    ResultsInDeviceMemoryLabel =
        labelAt(this, "ResultsInDeviceMemoryLabel", QStringLiteral("0"), 152, 16);
    ResultsAddedToProjectLabel =
        labelAt(this, "ResultsAddedToProjectLabel", QStringLiteral("0"), 152, 56);

    CloseButton = new QPushButton(QStringLiteral("Закрыть"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setGeometry(60, 88, 75, 25);
    CloseButton->setDefault(true);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TDownloadSummaryForm::setResultsInDeviceMemory(int32_t value)
{
    m_resultsInDeviceMemory = value;
    ResultsInDeviceMemoryLabel->setText(QString::number(value));
    ResultsInDeviceMemoryLabel->adjustSize();
}

void TDownloadSummaryForm::setResultsAddedToProject(int32_t value)
{
    m_resultsAddedToProject = value;
    ResultsAddedToProjectLabel->setText(QString::number(value));
    ResultsAddedToProjectLabel->adjustSize();
}

void TDownloadSummaryForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        CloseButton->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TDownloadSummaryForm::showEvent(QShowEvent* event)
{
    placeAtScreenCentre(this, QGuiApplication::primaryScreen());
    QDialog::showEvent(event);
}
