#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QTimer;
class QWidget;

// Answers the next modal window that appears (a message box, a dialog) from a timer,
// because exec() does not return to the test until the window is closed.
// If no modal window shows up within the time-out, appeared() stays false and the
// test can fail instead of hanging.
class ModalAnswer : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<void(QWidget*)>;

    explicit ModalAnswer(Handler handler, int timeoutMs = 10000);
    // Answers only a modal window of this class (QObject::inherits); other modal windows
    // that come first are left alone, as when several appear in turn.
    ModalAnswer(const char* windowClass, Handler handler, int timeoutMs = 10000);
    ~ModalAnswer() override;

    bool appeared() const { return m_appeared; }
    QString text() const { return m_text; }
    QString title() const { return m_title; }

    // Presses the message box button with this standard role (QMessageBox::StandardButton).
    static Handler pressButton(int standardButton);
    // Closes the window with reject(), as Escape would.
    static Handler reject();

private:
    void poll();

    Handler m_handler;
    const char* m_windowClass = nullptr;
    QTimer* m_timer;
    int m_remainingMs;
    bool m_appeared = false;
    QString m_text;
    QString m_title;
};
