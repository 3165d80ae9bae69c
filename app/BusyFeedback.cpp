#include "app/BusyFeedback.h"

#include "app/ProgressForm.h"

#include <QApplication>

BusyFeedback::BusyFeedback(QWidget* owner, const QString& caption)
    : m_owner(owner), m_caption(caption)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_started.start();
}

BusyFeedback::~BusyFeedback()
{
    m_form.reset();
    QApplication::restoreOverrideCursor();
}

void BusyFeedback::step(size_t done, size_t total)
{
    if (!m_form) {
        if (m_started.elapsed() < ShowProgressAfterMs)
            return;
        m_form = std::make_unique<ProgressForm>(m_caption, m_owner);
        m_form->show();
    }
    m_form->setProgress(total == 0 ? 100 : int(done * 100 / total));
    // Paints the window; the user's input waits until the command is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
