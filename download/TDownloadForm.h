#pragma once

#include <QDialog>

class QFrame;
class QProgressBar;
class QPushButton;

// The modal progress window of a download, "Чтение из прибора": a progress bar and a
// Cancel button. A progress value above 100 closes it; every way of closing gives the
// rejected (cancel) result.
class TDownloadForm : public QDialog
{
    Q_OBJECT
public:
    explicit TDownloadForm(QWidget* parent = nullptr);

    QFrame* Bevel1;
    QProgressBar* DownloadGauge;
    QPushButton* CancelButton;

public slots:
    // 0..100 moves the bar (values outside are clamped); above 100 closes the window.
    void WMProgress(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};
