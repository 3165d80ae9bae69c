// SPDX-License-Identifier: GPL-3.0-or-later
#include "download/ProgressGauge.h"

#include <QFrame>
#include <QProgressBar>
#include <QString>

ProgressGauge addProgressGauge(QWidget* window, const QString& gaugeName)
{
    auto* bevel = new QFrame(window);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::Box);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(0, 0, 273, 57);

    auto* gauge = new QProgressBar(window);
    gauge->setObjectName(gaugeName);
    gauge->setGeometry(8, 16, 257, 25);
    gauge->setOrientation(Qt::Horizontal);
    gauge->setRange(0, 100);
    gauge->setValue(0);
    gauge->setTextVisible(true);
    gauge->setFormat(QStringLiteral("%p%"));
    gauge->setAlignment(Qt::AlignCenter);
    gauge->setStyleSheet(
        QStringLiteral("QProgressBar { background-color: white; border: 1px solid gray; }"
                       "QProgressBar::chunk { background-color: navy; }"));
    return {bevel, gauge};
}
