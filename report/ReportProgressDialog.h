#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>

// Shows the page being processed when work on a report takes long enough to be noticed,
// and lets the user cancel it. The work runs on the user-interface thread and calls step()
// once per page, which keeps the window responsive.
class ReportProgressDialog : public QProgressDialog
{
    Q_OBJECT
public:
    explicit ReportProgressDialog(QWidget* parent);

    // Returns false once the user has cancelled. A maximum of 0 shows a busy bar.
    bool step(const QString& text, int value, int maximum);

private:
    QElapsedTimer m_started;
};
