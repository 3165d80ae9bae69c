// vornctl: the program's commands from a script, without windows.
#include "CtlArguments.h"
#include "CtlCommands.h"
#include "CtlErrors.h"
#include "fb/LockFolder.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[])
{
    // The report's fonts need a GUI application, but a script has no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    fb::UsePerUserLockFolder();
    QGuiApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        runCtlCommand(parseCtlArguments(application.arguments().mid(1)), out);
    } catch (const CtlUsageError& error) {
        err << "vornctl: " << error.message() << '\n' << ctlUsage();
        return 2;
    } catch (const CtlError& error) {
        err << error.message() << '\n';
        return 1;
    } catch (const std::exception& error) {
        err << QString::fromUtf8(error.what()) << '\n';
        return 1;
    }
    return 0;
}
