#pragma once

#include <QDialog>

class QFrame;
class QProgressBar;

// The program's progress window, drawn like the download's: a bevel around a gauge. It has no
// Cancel button: what it shows cannot be stopped half-way.
class ProgressForm : public QDialog
{
    Q_OBJECT
public:
    ProgressForm(const QString& caption, QWidget* parent);

    void setProgress(int percent);

    QFrame* Bevel1;
    QProgressBar* Gauge;

protected:
    void showEvent(QShowEvent* event) override;
};
