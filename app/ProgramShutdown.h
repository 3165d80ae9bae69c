#pragma once

#include <QObject>
#include <QPointer>

class QTimer;
class QWidget;
class TMainForm;
class TerminationSignals;

// A termination signal closes the main window as the user would: modal windows are closed
// first, the close question comes when there are unsaved changes, and the user decides. A
// further signal while the close is under way answers the question "No" and ends the program
// without saving; one more after that ends the process at once.
// At logout the close question is asked when the session manager allows it, and Cancel cancels
// the logout. The project stays open either way, so that the program is as it was should the
// logout be cancelled by another program.
class ProgramShutdown : public QObject
{
    Q_OBJECT
public:
    explicit ProgramShutdown(TerminationSignals* terminationSignals, QObject* parent = nullptr);

    // Signals that came before the window is set wait until it is.
    void setMainWindow(TMainForm* form);

    // One termination signal, as TerminationSignals reports it.
    void signalReceived();
    // The logout's request to save; false when the user cancels the logout.
    bool sessionCommitData(bool interactionAllowed);

private:
    void step();
    void force();
    void dismissModalWindows();

    TerminationSignals* m_signals;
    QPointer<TMainForm> m_form;
    QTimer* m_timer;
    bool m_closing = false;
    bool m_forced = false;
    bool m_inClose = false;
};
