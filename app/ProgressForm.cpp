#include "app/ProgressForm.h"

#include "common/ui/ScreenCentre.h"

#include "download/ProgressGauge.h"

#include <QProgressBar>
#include <QScreen>
#include <algorithm>

ProgressForm::ProgressForm(const QString& caption, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(274, 57);

    const ProgressGauge look = addProgressGauge(this, QStringLiteral("Gauge"));
    Bevel1 = look.bevel;
    Gauge = look.gauge;
}

void ProgressForm::setProgress(int percent)
{
    Gauge->setValue(std::clamp(percent, 0, 100));
}

void ProgressForm::showEvent(QShowEvent* event)
{
    const QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
    if (over && over->isVisible())
        move(over->frameGeometry().center() - rect().center());
    else
        placeAtScreenCentre(this, screen());
    QDialog::showEvent(event);
}
