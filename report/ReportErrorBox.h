#pragma once

#include <QString>

class QWidget;

// The program's error box: the text with a full stop, the error icon, OK, the program title.
void showReportError(QWidget* parent, const QString& text);
