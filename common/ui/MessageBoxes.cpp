#include "common/ui/MessageBoxes.h"

#include "common/CommonTexts.h"

void showErrorBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, CommonTexts::Title, text, QMessageBox::Ok, parent);
    box.exec();
}

void showErrorSentence(QWidget* parent, const QString& text)
{
    showErrorBox(parent, CommonTexts::errorSentence(text));
}

QMessageBox::StandardButton askQuestion(QWidget* parent, const QString& text,
                                        QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::Question, CommonTexts::Title, text, buttons, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return QMessageBox::StandardButton(box.exec());
}
