#pragma once

#include "common/CommonTexts.h"

#include <QString>

// Texts the user sees, kept together because several windows and tests share them.
namespace AppTexts {

using CommonTexts::Title;
inline const QString AlreadyRunning =
    QStringLiteral("Копия данной программы уже запущена.\rПовторный запуск программы не разрешен.");
using CommonTexts::CannotCreateProject;
using CommonTexts::CannotOpenProject;
inline const QString DeleteAllQuestion = QStringLiteral("Удалить все записи из проекта?");

// The close question names the project's file without its folder.
QString saveChangesQuestion(const QString& projectFile);
// "ВОРН-1.0" alone without a project, "ВОРН-1.0 - [bridge.fdb]" with one.
QString windowCaption(const QString& projectName);
// The file-name part of a path, after the last folder separator of either kind.
QString fileNamePart(const QString& path);
using CommonTexts::errorSentence;
using CommonTexts::OutOfMemory;

} // namespace AppTexts
