#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// The program's message boxes, all with the application title as caption.
// Fixed messages are shown as given; showErrorSentence turns an error's text into a sentence.
void showErrorBox(QWidget* parent, const QString& text);
void showErrorSentence(QWidget* parent, const QString& text);
// A question with the given buttons, Yes as the default; answers the button chosen.
QMessageBox::StandardButton askQuestion(QWidget* parent, const QString& text,
                                        QMessageBox::StandardButtons buttons);
