#include "storage/ProjectTarget.h"

#include "storage/ServerProject.h"
#include "storage/StorageTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#if defined(Q_OS_UNIX)
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace ProjectTarget {

namespace {

QByteArray encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString reasonOfErrno(int code)
{
    const QString reason = StorageTexts::systemReason(code);
    return reason.isEmpty() ? StorageTexts::InputOutput : reason;
}

#if defined(Q_OS_UNIX)
bool syncPath(const QString& path, int flags)
{
    const int fd = ::open(encoded(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int code = errno;
    ::close(fd);
    errno = code;
    return synced;
}

// rename(2) that refuses to replace: renameat2 where the file system has it, else a hard
// link, which fails on an existing name just as well.
int renameKeeping(const QByteArray& from, const QByteArray& to)
{
#if defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
#endif
    if (::link(from.constData(), to.constData()) != 0)
        return -1;
    ::unlink(from.constData());
    return 0;
}
#endif

} // namespace

QString whyNotCreatable(const QString& path, Existing existing)
{
    const QFileInfo target(path);
    if (hasServerPart(target.absoluteFilePath()))
        return StorageTexts::ColonInName;
    if (target.isSymLink() && !target.exists())
        return StorageTexts::LinkToNothing;
    if (target.isDir())
        return StorageTexts::FolderUnderName;
    if (existing == Existing::Keep && target.exists())
        return StorageTexts::NameTaken;
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir())
        return StorageTexts::Missing;
    if (!folder.isWritable())
        return StorageTexts::NoPermission;
    return QString();
}

QString hiddenSibling(const QString& path)
{
    const QFileInfo target(path);
    // The name stays within a file system's 255 bytes, whatever the target's length.
    QString name = target.fileName();
    while (encoded(name).size() > 200)
        name.chop(1);
    for (;;) {
        const QString candidate = target.dir().filePath(
            QStringLiteral(".%1.%2.part")
                .arg(name)
                .arg(QRandomGenerator::global()->generate(), 8, 16, QChar(u'0')));
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            return candidate;
    }
}

Claim::Claim(const QString& path)
{
#if defined(Q_OS_UNIX)
    m_fd = ::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
        m_inUse = errno == EWOULDBLOCK;
#else
    Q_UNUSED(path);
#endif
}

Claim::~Claim()
{
#if defined(Q_OS_UNIX)
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

QString putInPlace(const QString& built, const QString& target, Existing existing)
{
#if defined(Q_OS_UNIX)
    if (!syncPath(built, O_RDONLY))
        return reasonOfErrno(errno);
    const int renamed = existing == Existing::Replace
                            ? ::rename(encoded(built).constData(), encoded(target).constData())
                            : renameKeeping(encoded(built), encoded(target));
    if (renamed != 0)
        return errno == EEXIST ? StorageTexts::NameTaken : reasonOfErrno(errno);
    // Without this the rename may be lost in a power cut, leaving the project under its hidden
    // name only.
    if (!syncPath(QFileInfo(target).absolutePath(), O_RDONLY | O_DIRECTORY))
        return reasonOfErrno(errno);
    return QString();
#else
    if (existing == Existing::Replace && QFileInfo::exists(target) && !QFile::remove(target))
        return StorageTexts::InUse;
    if (!QFile::rename(built, target))
        return QFileInfo::exists(target) ? StorageTexts::NameTaken : StorageTexts::InputOutput;
    return QString();
#endif
}

} // namespace ProjectTarget
