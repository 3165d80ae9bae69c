#include "DBMemo.h"

#include "ErrorDisplay.h"
#include "Windows1251.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) {}

QString TDBMemo::refusalText(const QString& character)
{
    const QString code =
        QStringLiteral("%1").arg(character.toUcs4().value(0), 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("Знак «%1» (U+%2) нельзя сохранить в проекте: проект хранит текст в "
                          "кодировке Windows-1251")
        .arg(character, code);
}

bool TDBMemo::accepts(const QString& text)
{
    const QString foreign = Windows1251::firstForeignCharacter(text);
    if (foreign.isEmpty())
        return true;
    // Shown after the event has been dealt with, so that no modal loop runs inside it.
    QTimer::singleShot(0, this, [foreign] { ErrorDisplay::showError(refusalText(foreign)); });
    return false;
}

void TDBMemo::keyPressEvent(QKeyEvent* event)
{
    if (!event->text().isEmpty() && event->text().at(0).isPrint() && !accepts(event->text())) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TDBMemo::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty() && !accepts(event->commitString())) {
        QInputMethodEvent cleared(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&cleared);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

bool TDBMemo::canInsertFromMimeData(const QMimeData* source) const
{
    return source->hasText() && QPlainTextEdit::canInsertFromMimeData(source);
}

void TDBMemo::insertFromMimeData(const QMimeData* source)
{
    if (source->hasText() && !accepts(source->text()))
        return;
    QPlainTextEdit::insertFromMimeData(source);
}

void TDBMemo::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit Exit();
}
