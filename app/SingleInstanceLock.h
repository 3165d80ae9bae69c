#pragma once

#include <QString>

// One copy of the program per user log-on: an exclusive lock on a file in the user's runtime
// folder. The system drops the lock when the process ends, also when it crashes.
class SingleInstanceLock
{
public:
    explicit SingleInstanceLock(QString lockFile = defaultLockFile());
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this process holds the lock now; false when another copy holds it or the
    // lock file cannot be opened.
    bool tryAcquire();
    bool isHeld() const { return m_fd >= 0; }

    static QString defaultLockFile();

private:
    QString m_lockFile;
    int m_fd = -1;
};
