#pragma once

#include <QString>

// Where the program keeps its settings file, its default project folder and the screen picture:
// the executable's folder when the user can write there (a portable install), otherwise the
// per-user data folder. The choice is made once per run so that all three always agree.
namespace ProgramFolder {

QString path();
// "<program>.ini": the executable's name with its extension replaced.
QString settingsFile();
QString projectsFolder();
QString screenshotFile();

// Tests run many programs from one build folder; they point each at a folder of its own.
void setPath(const QString& folder);

} // namespace ProgramFolder
