#pragma once

#include "common/CommonTexts.h"

#include <QString>

// Fixed Russian sentences for why the storage failed; the engine's text may follow as detail.
namespace StorageTexts {

inline const QString SaveFailed = QStringLiteral(
    "Не удалось сохранить проект! Изменения не записаны и не потеряны: их можно сохранить снова.");
inline const QString CloseFailed =
    QStringLiteral("Не удалось закрыть проект! Изменения не потеряны: их можно сохранить снова.");
inline const QString NoSpace = QStringLiteral("На диске нет места.");
inline const QString InputOutput = QStringLiteral("Ошибка ввода-вывода при работе с файлом.");
inline const QString NoPermission = QStringLiteral("Нет прав на доступ к файлу.");
inline const QString InUse = QStringLiteral("Файл открыт другой программой.");
inline const QString ConnectionLost = QStringLiteral("Связь с файлом проекта потеряна.");
inline const QString Missing = QStringLiteral("Файл или папка не найдены.");
inline const QString NotAProject = QStringLiteral("Файл не является проектом этой программы.");
inline const QString Damaged =
    QStringLiteral("Файл повреждён или не является проектом этой программы.");
inline const QString ColonInName =
    QStringLiteral("Имя файла проекта или его папки не может содержать двоеточие.");
inline const QString FileReplaced =
    QStringLiteral("Файл проекта удалён или заменён другим файлом, пока проект был открыт.");
inline const QString FolderUnderName = QStringLiteral("Под этим именем уже есть папка.");
inline const QString LinkToNothing =
    QStringLiteral("Под этим именем стоит ссылка на несуществующий файл.");
inline const QString NameTaken = QStringLiteral("Файл с этим именем уже создан другой программой.");
using CommonTexts::OutOfMemory;
using CommonTexts::TooManyOpenFiles;
inline const QString WrongLogin = QStringLiteral("Неверное имя пользователя или пароль.");
inline const QString NoEncryption =
    QStringLiteral("Сервер не шифрует соединение; без шифрования проект не открывается.");
inline const QString NoProjectRights = QStringLiteral("Нет прав доступа к проекту.");
inline const QString ServerUnreachable = QStringLiteral("Сервер проекта не отвечает.");
inline const QString NoServerAccount =
    QStringLiteral("Для проекта на сервере нужны имя пользователя и пароль.");
inline const QString EngineFailed = QStringLiteral("Ошибка при работе с файлом проекта.");

// The sentence for a failed system call's errno; empty for one without a sentence of its own.
QString systemReason(int osError);

// The sentence for an engine error: its status vector (isc_arg_* items up to isc_arg_end).
QString engineReason(const intptr_t* status);

// The sentence of a failed open or create of a project on a server, for what engineReason
// found: the server's rights are rights on the project, and a network error before the
// connection stands means no server answered.
QString serverReason(const QString& reason);

} // namespace StorageTexts
