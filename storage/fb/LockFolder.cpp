#include "storage/fb/LockFolder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace fb {

void usePerUserLockFolder()
{
    if (!qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        return;
#ifdef Q_OS_UNIX
    const QString folder = QDir::tempPath() + QStringLiteral("/firebird-%1").arg(getuid());
#else
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/firebird";
#endif
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(folder));
}

} // namespace fb
