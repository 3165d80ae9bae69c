#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP become events of the event loop: the handler only writes the
// signal's number into a pipe that the loop reads. The embedded database engine is told not to
// shut itself down on them, which it would otherwise do behind the program's back.
// One object per process; signals that come before start() wait in the pipe.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // received() is emitted from now on.
    void start();
    // From now on these signals end the process at once, as if nobody caught them.
    void stopCatching();

signals:
    void received(int signalNumber);

private:
    void readPipe();

    int m_readFd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
