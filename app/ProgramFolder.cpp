#include "app/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

namespace {

std::optional<ProgramPlaces>& chosenPlaces()
{
    static std::optional<ProgramPlaces> places;
    return places;
}

ProgramPlaces portablePlaces(const QString& folder, const QString& programName)
{
    const QDir dir(folder);
    ProgramPlaces p;
    p.portable = true;
    p.settingsFile = dir.filePath(programName + QStringLiteral(".ini"));
    p.projectsFolder = dir.filePath(QStringLiteral("projects"));
    p.screenshotFile = dir.filePath(QStringLiteral("sceenshot.bmp"));
    return p;
}

bool isSystemFolder(const QString& folder)
{
    static const char* const systemTops[] = {"/bin",   "/boot",  "/dev",    "/etc",  "/lib",
                                             "/lib32", "/lib64", "/libx32", "/proc", "/run",
                                             "/sbin",  "/snap",  "/sys",    "/usr",  "/var"};
    if (folder == QStringLiteral("/"))
        return true;
    for (const char* top : systemTops) {
        const QString t = QString::fromLatin1(top);
        if (folder == t || folder.startsWith(t + u'/'))
            return true;
    }
    return false;
}

// A CMake build folder, anywhere above the program: "rm -rf build" must not take projects along.
bool isInBuildTree(const QString& folder)
{
    QDir dir(folder);
    do {
        if (dir.exists(QStringLiteral("CMakeCache.txt")))
            return true;
    } while (dir.cdUp());
    return false;
}

} // namespace

namespace ProgramFolder {

ProgramPlaces choose(const QString& programFile, const Homes& homes)
{
    const QFileInfo program(programFile);
    const QString programName = program.completeBaseName();
    const QString programFolder = QDir::cleanPath(program.absolutePath());
    const QString besideProgram =
        QDir(programFolder).filePath(programName + QStringLiteral(".ini"));
    if (QFileInfo(besideProgram).isFile() && !isSystemFolder(programFolder) &&
        !isInBuildTree(programFolder))
        return portablePlaces(programFolder, programName);

    ProgramPlaces p;
    const QDir config(QDir(homes.configHome).filePath(QStringLiteral("vorn")));
    p.settingsFile = config.filePath(programName + QStringLiteral(".ini"));
    p.oldSettingsFile = QDir(homes.oldDataFolder).filePath(programName + QStringLiteral(".ini"));
    const QDir documents(homes.documentsFolder);
    p.projectsFolder = documents.filePath(QStringLiteral("ВОРН"));
    p.screenshotFile = documents.filePath(QStringLiteral("sceenshot.bmp"));
    return p;
}

Homes userHomes()
{
    Homes h;
    h.configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    h.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (h.documentsFolder.isEmpty())
        h.documentsFolder = QDir::homePath();
    h.oldDataFolder = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                          .filePath(QStringLiteral("vorn"));
    return h;
}

const ProgramPlaces& places()
{
    std::optional<ProgramPlaces>& p = chosenPlaces();
    if (!p)
        p = choose(QCoreApplication::applicationFilePath(), userHomes());
    return *p;
}

QString settingsFile()
{
    return places().settingsFile;
}

QString settingsFileToRead()
{
    return settingsFileToRead(places());
}

QString settingsFileToRead(const ProgramPlaces& p)
{
    if (!p.oldSettingsFile.isEmpty() && !QFileInfo::exists(p.settingsFile) &&
        QFileInfo(p.oldSettingsFile).isFile())
        return p.oldSettingsFile;
    return p.settingsFile;
}

QString projectsFolder()
{
    return places().projectsFolder;
}

QString screenshotFile()
{
    return places().screenshotFile;
}

void setPlaces(const ProgramPlaces& places)
{
    chosenPlaces() = places;
}

void setPath(const QString& folder)
{
    chosenPlaces() =
        portablePlaces(QDir::cleanPath(folder),
                       QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
}

} // namespace ProgramFolder
