#include "download/TDownloadForm.h"

#include "common/ui/ScreenCentre.h"

#include "download/ProgressGauge.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

TDownloadForm::TDownloadForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("DownloadForm"));
    setWindowTitle(QStringLiteral("Чтение из прибора"));
    setModal(true);
    setFixedSize(274, 91);

    const ProgressGauge look = addProgressGauge(this, QStringLiteral("DownloadGauge"));
    Bevel1 = look.bevel;
    DownloadGauge = look.gauge;

    CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(100, 64, 75, 25);
    CancelButton->setAutoDefault(false);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TDownloadForm::WMProgress(int value)
{
    if (value <= 100)
        DownloadGauge->setValue(std::clamp(value, 0, 100));
    else
        reject();
}

void TDownloadForm::keyPressEvent(QKeyEvent* event)
{
    // Escape is not bound to Cancel: a stray key press must not abort a download.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TDownloadForm::showEvent(QShowEvent* event)
{
    placeAtScreenCentre(this, QGuiApplication::primaryScreen());
    QDialog::showEvent(event);
}
