#pragma once

#include <QByteArray>
#include <QString>

// Keeps every writer of an output (CSV, workbook, PDF, picture) off project files: a project
// that an output replaced cannot be measured again.
namespace OutputGuard {

// Whether writing to path would destroy a project: path names the same file as project (through
// any link), or what it holds now starts with a Firebird database header.
bool wouldDestroyProject(const QString& path, const QString& project = QString());

// Whether bytes begin as the header page of a Firebird database does.
bool isDatabaseHeader(const QByteArray& bytes);

// "Файл «PATH» — проект; он не будет перезаписан."
QString refusal(const QString& path);

} // namespace OutputGuard
