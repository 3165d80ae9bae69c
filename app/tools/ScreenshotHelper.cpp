// Helper of scripts/screenshot.sh.
//   vorn_screenshot_helper project <folder>  writes a sample project and a settings file that
//                                            reopens it into <folder>
//   vorn_screenshot_helper grab <file.png>   saves the X screen, cropped to what is drawn on it
//   vorn_screenshot_helper tour <folder> <docs>  runs the real main window on a sample project in
//                                            <folder> and saves it, a message box, the report
//                                            preview and a file dialog as PNGs into <docs>
#include "app/ProgramFolder.h"
#include "app/SettingsFile.h"
#include "app/TMainForm.h"
#include "app/VornApplication.h"
#include "common/OleDate.h"
#include "storage/TMainDataModule.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

namespace {

int writeProject(const QString& folder, const QString& settingsFile)
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

    VornSettings settings;
    settings.ProjectName = file;
    settings.ProjectPath = projects + u'/';
    SettingsFile(settingsFile).save(settings);
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

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Shows a modal window by running the command, saves the screen once it is drawn, closes it.
void grabModal(QAction* command, const QString& png)
{
    QTimer::singleShot(1500, [png] {
        grab(png);
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    command->trigger();
}

int tour(const QString& folder, const QString& docs)
{
    ProgramFolder::setPath(folder);
    if (writeProject(folder, ProgramFolder::settingsFile()) != 0)
        return 1;
    TMainForm form;
    form.show();
    form.activateWindow();
    pause(2000);
    const auto png = [&docs](const char* name) { return QDir(docs).filePath(QLatin1String(name)); };
    if (grab(png("main-window.png")) != 0)
        return 1;
    grabModal(form.DeleteAllRecordsAction, png("message-box.png"));
    grabModal(form.PrintReportAction, png("report-preview.png"));
    // Last: choosing Open closes the project first.
    grabModal(form.OpenProjectAction, png("file-dialog.png"));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 4 && QLatin1String(argv[1]) == QLatin1String("tour")) {
        VornApplication app(argc, argv);
        app.setQuitOnLastWindowClosed(false);
        return tour(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("project"))
        return writeProject(args[2], QDir(args[2]).filePath(QStringLiteral("vorn.ini")));
    if (args.size() == 3 && args[1] == QLatin1String("grab"))
        return grab(args[2]);
    std::fprintf(stderr, "usage: vorn_screenshot_helper project <folder> | grab <file.png> | "
                         "tour <folder> <docs>\n");
    return 2;
}
