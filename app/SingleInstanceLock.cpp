#include "app/SingleInstanceLock.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstanceLock::SingleInstanceLock(QString lockFile) : m_lockFile(std::move(lockFile)) {}

SingleInstanceLock::~SingleInstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SingleInstanceLock::tryAcquire()
{
    if (m_fd >= 0)
        return true;
    const QByteArray name = QFile::encodeName(m_lockFile);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

QString SingleInstanceLock::defaultLockFile()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("VORN_CHECK_EVENT.lock"));
}
