#include "ErrorDisplay.h"

#include "ErrorBox.h"

#include <QApplication>
#include <exception>

namespace ErrorDisplay {

void showError(const QString& text)
{
    ShowErrorSentence(QApplication::activeWindow(), text);
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
