#include "tests/support/ModalAnswer.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {
constexpr int PollMs = 20;
}

ModalAnswer::ModalAnswer(Handler handler, int timeoutMs)
    : m_handler(std::move(handler)), m_timer(new QTimer(this)), m_remainingMs(timeoutMs)
{
    connect(m_timer, &QTimer::timeout, this, &ModalAnswer::poll);
    m_timer->start(PollMs);
}

ModalAnswer::ModalAnswer(const char* windowClass, Handler handler, int timeoutMs)
    : ModalAnswer(std::move(handler), timeoutMs)
{
    m_windowClass = windowClass;
}

ModalAnswer::~ModalAnswer() = default;

void ModalAnswer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || (m_windowClass && !modal->inherits(m_windowClass))) {
        m_remainingMs -= PollMs;
        if (m_remainingMs <= 0)
            m_timer->stop();
        return;
    }
    m_timer->stop();
    m_appeared = true;
    m_title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal))
        m_text = box->text();
    m_handler(modal);
}

ModalAnswer::Handler ModalAnswer::pressButton(int standardButton)
{
    return [standardButton](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            if (QAbstractButton* b = box->button(QMessageBox::StandardButton(standardButton))) {
                b->click();
                return;
            }
        }
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
    };
}

ModalAnswer::Handler ModalAnswer::reject()
{
    return [](QWidget* w) {
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
        else
            w->close();
    };
}
