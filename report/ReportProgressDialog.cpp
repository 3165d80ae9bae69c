#include "report/ReportProgressDialog.h"

#include "common/CommonTexts.h"

#include <QCoreApplication>

namespace {
constexpr int ShowAfterMs = 400;
}

ReportProgressDialog::ReportProgressDialog(QWidget* parent) : QProgressDialog(parent)
{
    setObjectName(QStringLiteral("ReportProgressDialog"));
    setWindowTitle(CommonTexts::Title);
    setWindowModality(Qt::ApplicationModal);
    setCancelButtonText(QStringLiteral("Отмена"));
    setAutoReset(false);
    setAutoClose(false);
    setMinimumDuration(ShowAfterMs);
    // QProgressDialog shows itself from a timer that would not run while the work holds
    // the thread; step() decides instead.
    cancel();
    reset();
    m_started.start();
}

bool ReportProgressDialog::step(const QString& text, int value, int maximum)
{
    if (!isVisible() && m_started.elapsed() < ShowAfterMs)
        return true;
    setLabelText(text);
    setRange(0, maximum);
    setValue(value);
    if (!isVisible())
        show();
    QCoreApplication::processEvents();
    return !wasCanceled();
}
