// Helper of scripts/screenshot.sh.
//   vorn_screenshot_helper project <folder>  writes a sample project and a settings file that
//                                            reopens it into <folder>
//   vorn_screenshot_helper grab <file.png>   saves the X screen, cropped to what is drawn on it
#include "MainDataModule.h"
#include "OleDate.h"
#include "SettingsFile.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>

namespace {

int writeProject(const QString& folder)
{
    const QString projects = QDir(folder).filePath(QStringLiteral("projects"));
    QDir().mkpath(projects);
    const QString file = QDir(projects).filePath(QStringLiteral("Мост-12.fdb"));
    QFile::remove(file);
    TMainDataModule module;
    if (!module.CreateDatabase(file) || !module.OpenDatabase(file))
        return 1;
    const struct
    {
        int number, kind, diameter, base;
        float f, p, s;
    } samples[] = {
        {1, 0, 12, 150, 1020.5f, 7.04f, 0.123f}, {2, 0, 12, 150, 998.0f, 6.91f, 0.121f},
        {3, 1, 15, 200, 1510.2f, 10.3f, 0.187f}, {4, 1, 15, 200, 1488.7f, 10.1f, 0.182f},
        {5, 0, 20, 150, 2405.9f, 16.4f, 0.301f}, {6, 0, 20, 150, 2391.3f, 16.2f, 0.298f}};
    module.BeginUpdate();
    for (const auto& s : samples) {
        TMsrResult r;
        r.MsrDate = OleDate::fromParts(2026, 11, 24, 9, 10 + 3 * s.number, 0);
        r.MsrNumber = uint32_t(s.number);
        r.ReinfKindID = s.kind;
        r.ReinfDiameter = s.diameter;
        r.Base = s.base;
        r.F = s.f;
        r.P = s.p;
        r.S = s.s;
        module.AddResult(r);
    }
    module.SortResults();
    module.EndUpdate();
    module.SaveChanges();
    module.CloseDatabase();

    TVornSettings settings;
    settings.ProjectName = file;
    settings.ProjectPath = projects + u'/';
    TSettingsFile(QDir(folder).filePath(QStringLiteral("vorn.ini"))).save(settings);
    return 0;
}

int grab(const QString& png)
{
    QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const QRgb background = screen.pixel(0, 0);
    QRect drawn;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            if (screen.pixel(x, y) != background)
                drawn |= QRect(x, y, 1, 1);
    return screen.copy(drawn.isEmpty() ? screen.rect() : drawn).save(png) ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("project"))
        return writeProject(args[2]);
    if (args.size() == 3 && args[1] == QLatin1String("grab"))
        return grab(args[2]);
    std::fprintf(stderr, "usage: vorn_screenshot_helper project <folder> | grab <file.png>\n");
    return 2;
}
