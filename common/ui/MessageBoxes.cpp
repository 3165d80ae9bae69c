#include "common/ui/MessageBoxes.h"

#include "common/CommonTexts.h"

void ShowErrorBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, CommonTexts::Title, text, QMessageBox::Ok, parent);
    box.exec();
}

void ShowErrorSentence(QWidget* parent, const QString& text)
{
    ShowErrorBox(parent, CommonTexts::errorSentence(text));
}

QMessageBox::StandardButton AskQuestion(QWidget* parent, const QString& text,
                                        QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::Question, CommonTexts::Title, text, buttons, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return QMessageBox::StandardButton(box.exec());
}
