#include "AppTexts.h"
#include "MainForm.h"
#include "SingleInstanceLock.h"
#include "VornApplication.h"

#include <QDir>
#include <QMessageBox>
#include <QStandardPaths>
#include <cstdio>

namespace {

// The embedded Firebird engine keeps its lock files in one shared folder by default, which
// fails for every user but the first; each user gets a folder of their own.
void chooseFirebirdLockFolder()
{
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    const QString folder = QDir(base).filePath(QStringLiteral("vorn-firebird"));
    QDir().mkpath(folder);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(folder));
}

} // namespace

int main(int argc, char* argv[])
{
    TVornApplication app(argc, argv);
    TSingleInstanceLock instance;
    if (!instance.tryAcquire()) {
        // Also on the terminal, for a start from a shell or a script.
        std::fprintf(stderr, "%s\n",
                     qPrintable(QString(AppTexts::AlreadyRunning).replace(u'\r', u' ')));
        QMessageBox box(QMessageBox::Critical, AppTexts::Title, AppTexts::AlreadyRunning,
                        QMessageBox::Ok);
        box.exec();
        return 0;
    }
    chooseFirebirdLockFolder();
    TMainForm form;
    form.show();
    form.activateWindow();
    app.exec();
    return 0;
}
