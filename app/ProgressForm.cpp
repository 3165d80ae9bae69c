#include "ProgressForm.h"

#include <QFrame>
#include <QProgressBar>
#include <QScreen>
#include <algorithm>

TProgressForm::TProgressForm(const QString& caption, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(274, 57);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, 273, 57);

    Gauge = new QProgressBar(this);
    Gauge->setObjectName(QStringLiteral("Gauge"));
    Gauge->setGeometry(8, 16, 257, 25);
    Gauge->setRange(0, 100);
    Gauge->setValue(0);
    Gauge->setFormat(QStringLiteral("%p%"));
    Gauge->setAlignment(Qt::AlignCenter);
    Gauge->setStyleSheet(
        QStringLiteral("QProgressBar { background-color: white; border: 1px solid gray; }"
                       "QProgressBar::chunk { background-color: navy; }"));
}

void TProgressForm::setProgress(int percent)
{
    Gauge->setValue(std::clamp(percent, 0, 100));
}

void TProgressForm::showEvent(QShowEvent* event)
{
    const QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
    if (over && over->isVisible())
        move(over->frameGeometry().center() - rect().center());
    else if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}
