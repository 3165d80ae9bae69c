#include "app/ProgramEntry.h"

#include "app/AppTexts.h"
#include "app/ProgramShutdown.h"
#include "app/SingleInstanceLock.h"
#include "app/TMainForm.h"
#include "app/TerminationSignals.h"
#include "app/VornApplication.h"
#include "common/OpenFileLimit.h"
#include "common/ui/MessageBoxes.h"
#include "storage/fb/LockFolder.h"

#include <QMessageBox>
#include <csignal>
#include <cstdio>

namespace {

void showRefusedStart()
{
    // Also on the terminal, for a start from a shell or a script.
    std::fprintf(stderr, "%s\n",
                 qPrintable(QString(AppTexts::AlreadyRunning).replace(u'\r', u' ')));
    showErrorBox(nullptr, AppTexts::AlreadyRunning);
}

// The window held up to 24 descriptors beside the standard three under X with a project open,
// a read and the report's preview; the rest is room for a real instrument's USB stack, file
// dialogs and printing. Short of descriptors Xlib waits forever and GLib aborts.
constexpr int NeededDescriptors = 64;

// Said on the terminal only: without descriptors no window can be shown.
bool refusedForOpenFiles()
{
    const int free = OpenFileLimit::freeDescriptors();
    if (free >= NeededDescriptors)
        return false;
    const QString text =
        QStringLiteral("Не удалось запустить программу: слишком много открытых файлов. "
                       "Разрешите программе открывать не меньше %1 файлов (ulimit -n).")
            .arg(OpenFileLimit::softLimit() - free + NeededDescriptors);
    std::fprintf(stderr, "%s\n", qPrintable(text));
    return true;
}

} // namespace

int runProgram(int& argc, char** argv, const std::function<void(TMainForm&)>& started)
{
    // Past a file-size limit a write then fails with EFBIG like any write error, instead of the
    // signal ending the program with the project open.
    std::signal(SIGXFSZ, SIG_IGN);
    OpenFileLimit::raiseToHardLimit();
    if (refusedForOpenFiles())
        return 1;
    VornApplication app(argc, argv);
    // Caught before the guard is taken, so that a copy seen running never dies of a signal.
    TerminationSignals terminationSignals;
    SingleInstanceLock instance;
    if (!instance.tryAcquire()) {
        terminationSignals.stopCatching(); // nothing to save: a signal just ends the refused copy
        showRefusedStart();
        return 0;
    }
    fb::usePerUserLockFolder();
    ProgramShutdown shutdown(&terminationSignals);
    TMainForm form;
    shutdown.setMainWindow(&form);
    form.show();
    form.activateWindow();
    if (started)
        started(form);
    app.exec();
    return 0;
}
