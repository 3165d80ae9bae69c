#pragma once

#include <QPlainTextEdit>

// The project's texts are stored as Windows-1251, so the editor refuses, with a message, any
// typed, pasted or dropped text holding a character that code page has no code for, instead of
// letting it be altered on the way into the project.
class DBMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit DBMemo(QWidget* parent = nullptr);

signals:
    // The focus went to another control of the window (not to a menu or another window).
    void exit();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool accepts(const QString& text);
};
