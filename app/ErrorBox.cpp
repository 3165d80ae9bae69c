#include "ErrorBox.h"

#include "AppTexts.h"

#include <QMessageBox>

void ShowErrorBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, AppTexts::Title, text, QMessageBox::Ok, parent);
    box.exec();
}

void ShowErrorSentence(QWidget* parent, const QString& text)
{
    ShowErrorBox(parent, AppTexts::errorSentence(text));
}
