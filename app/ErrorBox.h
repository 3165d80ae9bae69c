#pragma once

#include <QString>

class QWidget;

// The program's one error box: the application title as caption, the error icon and OK.
// Fixed messages are shown as given; errorSentence() turns an error's text into a sentence.
void ShowErrorBox(QWidget* parent, const QString& text);
void ShowErrorSentence(QWidget* parent, const QString& text);
