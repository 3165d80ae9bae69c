#pragma once

#include <QString>

// Texts that every layer shows.
namespace CommonTexts {

inline const QString Title = QStringLiteral("ВОРН-1.0");
inline const QString CannotCreateProject = QStringLiteral("Не удалось создать проект!");
inline const QString CannotOpenProject = QStringLiteral("Не удалось открыть проект!");
// Reasons that any operation may end with, as sentences; a message that names what failed
// takes them as a clause.
inline const QString OutOfMemory = QStringLiteral("Недостаточно памяти.");
inline const QString TooManyOpenFiles = QStringLiteral("Слишком много открытых файлов.");
// Error texts are shown as sentences: a full stop is added when the text lacks one.
QString errorSentence(const QString& text);

} // namespace CommonTexts
