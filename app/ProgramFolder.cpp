#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString& chosenFolder()
{
    static QString folder;
    return folder;
}

QString chooseFolder()
{
    const QString exeFolder = QCoreApplication::applicationDirPath();
    if (!exeFolder.isEmpty() && QFileInfo(exeFolder).isWritable())
        return exeFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

} // namespace

namespace ProgramFolder {

QString path()
{
    QString& folder = chosenFolder();
    if (folder.isEmpty())
        folder = chooseFolder();
    return folder;
}

QString settingsFile()
{
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return QDir(path()).filePath(program + QStringLiteral(".ini"));
}

QString projectsFolder()
{
    return QDir(path()).filePath(QStringLiteral("projects"));
}

QString screenshotFile()
{
    return QDir(path()).filePath(QStringLiteral("sceenshot.bmp"));
}

void setPath(const QString& folder)
{
    chosenFolder() = QDir::cleanPath(folder);
}

} // namespace ProgramFolder
