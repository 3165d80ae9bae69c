#include "app/TerminationSignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <ibase.h>
#include <unistd.h>

namespace {

constexpr int Caught[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> writeFd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "used inside a signal handler");

void onSignal(int number)
{
    const int savedErrno = errno;
    const int fd = writeFd.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(number);
        // A full pipe already holds a signal that has not been handled; this one adds nothing.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : Caught)
        ::sigaction(number, &action, nullptr);
}

// The client library installs handlers of its own at the first attach, which shut the engine
// down and cut every connection; it still calls ours, and asks this callback first.
int refuseSignalShutdown(const int reason, const int, void*)
{
    return reason == fb_shutrsn_signal ? 1 : 0;
}

void refuseEngineShutdownOnSignals()
{
    static const bool registered = [] {
        ISC_STATUS_ARRAY status = {};
        return fb_shutdown_callback(status, refuseSignalShutdown, fb_shut_confirmation, nullptr) ==
               0;
    }();
    (void)registered;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    refuseEngineShutdownOnSignals();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without the pipe the signals keep their default action and end the program
    m_readFd = fds[0];
    writeFd.store(fds[1]);
    setHandler(onSignal);
    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
}

TerminationSignals::~TerminationSignals()
{
    stopCatching();
    delete m_notifier;
    // The write end stays open until here: closed earlier, the read end would report its end
    // over and over.
    const int fd = writeFd.exchange(-1);
    if (fd >= 0)
        ::close(fd);
    if (m_readFd >= 0)
        ::close(m_readFd);
}

void TerminationSignals::start()
{
    if (m_notifier)
        m_notifier->setEnabled(true);
}

void TerminationSignals::stopCatching()
{
    setHandler(SIG_DFL);
}

void TerminationSignals::readPipe()
{
    unsigned char bytes[16];
    ssize_t count;
    while ((count = ::read(m_readFd, bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < count; ++i)
            emit received(bytes[i]);
}
