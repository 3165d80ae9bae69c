// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QFrame;
class QProgressBar;
class QString;
class QWidget;

// The program's progress look, shared by its progress windows: a sunken bevel across the top
// of the window and a navy gauge inside it, 0..100 with the percentage centred.
struct ProgressGauge
{
    QFrame* bevel;
    QProgressBar* gauge;
};

ProgressGauge addProgressGauge(QWidget* window, const QString& gaugeName);
