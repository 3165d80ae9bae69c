// SPDX-License-Identifier: GPL-3.0-or-later
// vornctl: the program's commands from a script, without windows.
#include "common/CommonTexts.h"
#include "common/OpenFileLimit.h"
#include "ctl/CtlArguments.h"
#include "ctl/CtlCommands.h"
#include "ctl/CtlErrors.h"
#include "ctl/CtlHelp.h"
#include "storage/fb/LockFolder.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <new>

namespace {

bool g_verbose = false;

// Libraries' diagnostics (Qt's own about the environment, fonts, platform) are not the tool's
// messages: scripts read stderr, so they are shown only on request.
void libraryMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (g_verbose)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

QStringList commandLineWords(int argc, char* argv[])
{
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words.append(QString::fromLocal8Bit(argv[i]));
    return words;
}

} // namespace

int main(int argc, char* argv[])
{
#ifdef SIGXFSZ
    // A file-size limit then fails the write with an error that the command reports, instead
    // of killing the process in the middle of a save.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // A low soft limit is often only the shell's default; the hard one is what the system allows.
    OpenFileLimit::raiseToHardLimit();
    qInstallMessageHandler(libraryMessage);
    CtlArguments arguments;
    try {
        arguments = parseCtlArguments(commandLineWords(argc, argv));
    } catch (const CtlUsageError& error) {
        print(stderr, QStringLiteral("vornctl: ") + error.message() + u'\n' + ctlUsageHint());
        return 2;
    }
    if (arguments.version) {
        print(stdout, QStringLiteral("vornctl " VORN_VERSION "\n"));
        return 0;
    }
    if (arguments.help) {
        print(stdout,
              arguments.helpTopic.isEmpty() ? ctlUsage() : ctlCommandHelp(arguments.helpTopic));
        return 0;
    }
    g_verbose = arguments.verbose;

    // The report's fonts need a GUI application, but a script has no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    try {
        checkOpenFileRoom(arguments);
        fb::usePerUserLockFolder();
        QGuiApplication application(argc, argv);
        runCtlCommand(arguments);
    } catch (const CtlError& error) {
        print(stderr, QStringLiteral("vornctl: ") + error.message() + u'\n');
        return 1;
    } catch (const std::bad_alloc&) {
        print(stderr, QStringLiteral("vornctl: ") + CommonTexts::OutOfMemory + u'\n');
        return 1;
    } catch (const std::exception& error) {
        print(stderr, QStringLiteral("vornctl: ") + QString::fromUtf8(error.what()) + u'\n');
        return 1;
    }
    return 0;
}
