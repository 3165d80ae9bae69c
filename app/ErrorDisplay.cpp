#include "ErrorDisplay.h"

#include "AppTexts.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

namespace ErrorDisplay {

void showError(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, AppTexts::Title, AppTexts::errorSentence(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void showCurrentException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        showError(QStringLiteral("Неизвестная ошибка"));
    }
}

} // namespace ErrorDisplay
