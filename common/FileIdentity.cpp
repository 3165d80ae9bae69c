#include "common/FileIdentity.h"

#include <QFile>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

FileIdentity FileIdentity::of(const QString& path)
{
    FileIdentity identity;
#if defined(Q_OS_UNIX)
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) == 0) {
        identity.device = static_cast<uint64_t>(info.st_dev);
        identity.inode = static_cast<uint64_t>(info.st_ino);
        identity.valid = true;
    }
#else
    identity.valid = QFile::exists(path);
#endif
    return identity;
}
