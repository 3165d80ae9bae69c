#include "app/ErrorDisplay.h"

#include "app/AppTexts.h"
#include "common/ui/MessageBoxes.h"
#include "storage/StorageError.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <exception>
#include <new>

namespace {

// Texts of the boxes on screen, and of those just closed until the event loop runs again: a
// refusal that several handlers of the same input raise (the command, then the focus-out that
// its own box causes) reaches the user in one box.
QStringList& textsOnScreen()
{
    static QStringList texts;
    return texts;
}

} // namespace

namespace ErrorDisplay {

void showError(const QString& text)
{
    const QString sentence = AppTexts::errorSentence(text);
    if (textsOnScreen().contains(sentence))
        return;
    textsOnScreen().append(sentence);
    showErrorBox(QApplication::activeWindow(), sentence);
    QMetaObject::invokeMethod(
        qApp, [sentence] { textsOnScreen().removeOne(sentence); }, Qt::QueuedConnection);
}

void showCurrentException()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        // Its what() is the library's English name of the type.
        showError(AppTexts::OutOfMemory);
    } catch (const StorageError& e) {
        // The engine's own text is English and meant for a technician: the box holds the
        // Russian sentences, the terminal the detail.
        if (e.reason().isEmpty()) {
            showError(QString::fromUtf8(e.what()));
            return;
        }
        if (!e.detail().empty())
            std::fprintf(stderr, "vorn: %s\n", e.detail().c_str());
        showError(e.operation().isEmpty() ? e.reason() : e.operation() + u'\n' + e.reason());
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        showError(QStringLiteral("Неизвестная ошибка"));
    }
}

} // namespace ErrorDisplay
