#include "app/DBMemo.h"

#include "app/ErrorDisplay.h"
#include "common/Windows1251.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>

namespace {

// Whether the editor would insert the key's text: it leaves Ctrl and Ctrl+Shift combinations
// alone, except formatting characters. Characters outside the BMP come as two UTF-16 units.
bool insertsText(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ShiftModifier | Qt::ControlModifier))
        return QChar::category(text.toUcs4().value(0)) == QChar::Other_Format;
    return true;
}

} // namespace

DBMemo::DBMemo(QWidget* parent) : QPlainTextEdit(parent)
{
    // Tab leaves the editor as in every other control of the window; Ctrl+Tab types a tab.
    setTabChangesFocus(true);
}

bool DBMemo::accepts(const QString& text)
{
    if (Windows1251::canHold(text))
        return true;
    // The same message as a refused post. Shown after the event has been dealt with, so that no
    // modal loop runs inside it.
    QTimer::singleShot(0, this, [message = Windows1251::refusalMessage(text)] {
        ErrorDisplay::showError(message);
    });
    return false;
}

void DBMemo::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier) {
        insertPlainText(QStringLiteral("\t"));
        event->accept();
        return;
    }
    if (insertsText(event) && !accepts(event->text())) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void DBMemo::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty() && !accepts(event->commitString())) {
        QInputMethodEvent cleared(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&cleared);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

bool DBMemo::canInsertFromMimeData(const QMimeData* source) const
{
    return source->hasText() && QPlainTextEdit::canInsertFromMimeData(source);
}

void DBMemo::insertFromMimeData(const QMimeData* source)
{
    if (source->hasText() && !accepts(source->text()))
        return;
    QPlainTextEdit::insertFromMimeData(source);
}

void DBMemo::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit exit();
}
