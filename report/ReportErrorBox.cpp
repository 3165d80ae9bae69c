#include "ReportErrorBox.h"

#include <QMessageBox>

void showReportError(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QStringLiteral("ВОРН-1.0"),
                          text.endsWith(u'.') ? text : text + u'.');
}
