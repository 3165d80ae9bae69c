#include "app/ProgramShutdown.h"

#include "app/AppTexts.h"
#include "app/ErrorDisplay.h"
#include "app/TMainForm.h"
#include "app/TerminationSignals.h"
#include "common/ui/MessageBoxes.h"
#include "storage/TMainDataModule.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QTimer>

namespace {

// Often enough to feel immediate, seldom enough for a modal window that takes its time to close.
constexpr int StepIntervalMs = 100;

} // namespace

ProgramShutdown::ProgramShutdown(TerminationSignals* terminationSignals, QObject* parent)
    : QObject(parent), m_signals(terminationSignals)
{
    m_timer = new QTimer(this);
    m_timer->setInterval(StepIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &ProgramShutdown::step);
    if (m_signals) {
        connect(m_signals, &TerminationSignals::received, this, &ProgramShutdown::signalReceived);
        m_signals->start();
    }
#ifndef QT_NO_SESSIONMANAGER
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        const bool interactive = manager.allowsInteraction();
        if (!sessionCommitData(interactive))
            manager.cancel();
        if (interactive)
            manager.release();
    });
#endif
}

void ProgramShutdown::setMainWindow(TMainForm* form)
{
    m_form = form;
}

void ProgramShutdown::signalReceived()
{
    if (m_closing) {
        force();
        return;
    }
    m_closing = true;
    QTimer::singleShot(0, this, &ProgramShutdown::step);
    m_timer->start();
}

void ProgramShutdown::force()
{
    if (m_forced)
        return;
    m_forced = true;
    if (m_signals)
        m_signals->stopCatching();
    dismissModalWindows();
    m_timer->start();
}

void ProgramShutdown::dismissModalWindows()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (m_forced && box && box->button(QMessageBox::No)) {
        box->button(QMessageBox::No)->click();
        return;
    }
    // A message box closes through its escape button: Cancel, No or its only button.
    modal->close();
}

void ProgramShutdown::step()
{
    if (QApplication::activeModalWidget()) {
        dismissModalWindows();
        return;
    }
    if (m_inClose || !m_form)
        return;
    if (!m_forced)
        m_timer->stop();
    m_inClose = true;
    const bool closed = m_form->close();
    m_inClose = false;
    if (closed)
        return;
    if (m_forced) {
        // The window refused even so: leave the loop, and the project closes with the window.
        QCoreApplication::exit(0);
        return;
    }
    // The user chose to stay; the next signal starts over.
    m_closing = false;
}

bool ProgramShutdown::sessionCommitData(bool interactionAllowed)
{
    TMainDataModule* module = m_form ? m_form->MainDataModule : nullptr;
    if (!module || !module->IsOpen())
        return true;
    bool proceed = false;
    const bool ran = ErrorDisplay::guard([&] {
        module->PostEdits();
        // Without leave to ask, nothing is decided for the user: saving could make a mistaken
        // deletion permanent, and the results read from the device are still in the device.
        if (!module->HasChanges() || !interactionAllowed) {
            proceed = true;
            return;
        }
        switch (askQuestion(m_form, AppTexts::saveChangesQuestion(m_form->GetProjectName()),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
        case QMessageBox::Yes:
            module->SaveChanges();
            proceed = true;
            break;
        case QMessageBox::No:
            module->CancelChanges();
            proceed = true;
            break;
        default:
            break;
        }
    });
    // A failed save cancels the logout, so that the changes are not lost with the session.
    return ran && proceed;
}
