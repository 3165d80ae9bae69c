#pragma once

#include <QString>

// Where the program keeps its settings file, its default project folder and the screen picture.
struct ProgramPlaces
{
    QString settingsFile;
    // The settings of the earlier per-user layout, read while settingsFile does not exist yet.
    QString oldSettingsFile;
    QString projectsFolder;
    QString screenshotFile;
    bool portable = false;
};

// A portable install, which the user makes by putting a settings file beside the program, keeps
// all three beside the program. Otherwise they are the user's own, the same for root: settings in
// the XDG config folder, projects in a visible folder of the user's documents with the picture
// beside it. Never a system folder or a build tree: a settings file found there is not a choice
// of the user's but left by an older version, which put its files wherever it could write.
namespace ProgramFolder {

struct Homes
{
    QString configHome;      // $XDG_CONFIG_HOME, ~/.config
    QString documentsFolder; // the user's documents folder
    QString oldDataFolder;   // ~/.local/share/vorn, where the earlier version kept its files
};

// The rule for the program file at this path.
ProgramPlaces choose(const QString& programFile, const Homes& homes);
Homes userHomes();

// Chosen once per run, so that the three always agree.
const ProgramPlaces& places();
QString settingsFile();
// The file the settings are read from: the settings file, or the old one while only it exists.
QString settingsFileToRead();
QString settingsFileToRead(const ProgramPlaces& places);
QString projectsFolder();
QString screenshotFile();

// Tests run many programs from one build folder; they give each a portable layout of its own,
// or places of their choosing.
void setPath(const QString& folder);
void setPlaces(const ProgramPlaces& places);

} // namespace ProgramFolder
