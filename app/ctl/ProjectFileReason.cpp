// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProjectFileReason.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace ProjectFileReason {

bool IsLockedByAnotherProcess(const QString& path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A shared probe conflicts only with the exclusive lock of an engine that has it open.
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
#else
    Q_UNUSED(path);
    return false;
#endif
}

QString WhyNotOpened(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("файл не найден");
    if (info.isDir())
        return QStringLiteral("это папка, а не файл проекта");
    if (!info.isReadable())
        return QStringLiteral("нет прав на чтение файла");
    if (!info.isWritable())
        return QStringLiteral("нет прав на запись в файл");
    if (IsLockedByAnotherProcess(path))
        return QStringLiteral("файл открыт другой программой");
    return QStringLiteral("файл не является проектом программы ВОРН-1.0 или повреждён");
}

QString WhyNotCreated(const QString& path)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.exists())
        return QStringLiteral("папка «%1» не существует")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isDir())
        return QStringLiteral("«%1» не является папкой")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (!folder.isWritable())
        return QStringLiteral("нет прав на запись в папку «%1»")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    return QStringLiteral("файл базы данных не удалось создать");
}

} // namespace ProjectFileReason
