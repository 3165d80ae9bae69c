// SPDX-License-Identifier: GPL-3.0-or-later
#include "ctl/CtlOutput.h"

#include "common/OutputGuard.h"
#include "ctl/CtlErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <utility>

namespace {

QString cannotWrite(const QString& path, const QString& reason)
{
    return QStringLiteral("Не удалось записать файл «%1»: %2.")
        .arg(QDir::toNativeSeparators(path), russianFileReason(reason));
}

} // namespace

bool isStandardOutput(const QString& path)
{
    return path == u"-";
}

QString russianFileReason(const QString& systemText)
{
    // Compared with the system's own texts, so that the mapping holds in any locale.
    static const std::pair<int, const char*> reasons[] = {
        {ENOENT, "папка или файл не существует"},
        {EACCES, "нет прав доступа"},
        {EPERM, "операция не разрешена"},
        {ENOSPC, "нет места на диске"},
#ifdef EDQUOT
        {EDQUOT, "превышена дисковая квота"},
#endif
        {EROFS, "файловая система доступна только для чтения"},
        {EISDIR, "это папка, а не файл"},
        {ENOTDIR, "часть пути не является папкой"},
        {EFBIG, "превышен допустимый размер файла"},
        {EIO, "ошибка ввода-вывода"},
        {ENAMETOOLONG, "слишком длинное имя файла"},
        {EPIPE, "получатель данных закрыл канал"},
        {EBUSY, "файл занят"},
        {EMFILE, "слишком много открытых файлов"},
        {ENFILE, "слишком много открытых файлов"},
        {ENOMEM, "недостаточно памяти"},
    };
    for (const auto& [code, text] : reasons)
        if (systemText.compare(qt_error_string(code), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(text);
    return systemText;
}

void writeOutput(const QString& path, const QByteArray& bytes)
{
    writeOutput(path, [&bytes](const OutputWriter& write) { write(bytes); });
}

void writeOutput(const QString& path, const std::function<void(const OutputWriter&)>& produce)
{
    if (isStandardOutput(path)) {
        QFile out;
        bool failed = !out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
        if (!failed)
            produce([&](QByteArrayView bytes) {
                failed = out.write(bytes.data(), bytes.size()) != bytes.size();
                return !failed;
            });
        if (failed || std::fflush(stdout) != 0)
            throw CtlError(QStringLiteral("Не удалось записать в стандартный вывод: %1.")
                               .arg(russianFileReason(out.errorString())));
        return;
    }
    // A pipe or a device (a FIFO, /dev/null) is written in place: replacing it by a new file,
    // as a safe save does, would destroy the node and never reach its reader.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        QFile node(path);
        bool failed = !node.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        if (!failed)
            produce([&](QByteArrayView bytes) {
                failed = node.write(bytes.data(), bytes.size()) != bytes.size();
                return !failed;
            });
        if (failed)
            throw CtlError(cannotWrite(path, node.errorString()));
        return;
    }
    if (OutputGuard::wouldDestroyProject(path))
        throw CtlError(OutputGuard::refusal(path));
    QSaveFile file(path);
    // Unbuffered, so that a failed write keeps the system's reason.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw CtlError(cannotWrite(path, file.errorString()));
    bool failed = false;
    QString reason;
    produce([&](QByteArrayView bytes) {
        errno = 0;
        failed = file.write(bytes.data(), bytes.size()) != bytes.size();
        if (failed) {
            // A short write leaves Qt without a reason; the system's is still in errno.
            const int code = errno;
            reason = code != 0 ? qt_error_string(code) : file.errorString();
        }
        return !failed;
    });
    if (failed) {
        file.cancelWriting();
        throw CtlError(cannotWrite(path, reason));
    }
    if (!file.commit())
        throw CtlError(cannotWrite(path, file.errorString()));
}
