#include "ProgramEntry.h"

#include "AppTexts.h"
#include "MainForm.h"
#include "SingleInstanceLock.h"
#include "VornApplication.h"
#include "fb/LockFolder.h"

#include <QMessageBox>
#include <cstdio>

int RunProgram(int& argc, char** argv)
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
    fb::UsePerUserLockFolder();
    TMainForm form;
    form.show();
    form.activateWindow();
    app.exec();
    return 0;
}
