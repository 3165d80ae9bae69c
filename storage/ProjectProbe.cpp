#include "storage/ProjectProbe.h"

#include "storage/fb/Attachment.h"
#include "storage/fb/Statement.h"
#include "storage/fb/Transaction.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <cstdlib>

namespace {

constexpr const char* ProbeVariable = "VORN_PROJECT_PROBE";

int runProbe(const char* utf8Path)
{
    try {
        fb::Attachment::Params params;
        params.user = "SYSDBA";
        params.password = "tarnwheel";
        params.charset = "ASCII";
        fb::Attachment attachment = fb::Attachment::attach(utf8Path, params);
        fb::Transaction transaction = fb::Transaction::startReadCommitted(attachment);
        fb::Statement select(attachment, transaction, "SELECT * FROM DESC_TABLE");
        select.open(transaction);
        while (select.fetch()) {
        }
        select.closeCursor();
        transaction.commit();
        attachment.detach();
        return 0;
    } catch (...) {
        return 1;
    }
}

// Runs before main() of whatever program links the storage, when it was started as a probe:
// the child never reaches the program's own start-up (windows, single-instance lock).
const bool ProbeRan = [] {
    const char* path = std::getenv(ProbeVariable);
    if (path && *path)
        std::_Exit(runProbe(path));
    return false;
}();

QString runningProgram()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

} // namespace

namespace ProjectProbe {

Verdict probe(const QString& path, int timeoutMs)
{
    const QString program = runningProgram();
    if (program.isEmpty())
        return Verdict::NotRun;
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ProbeVariable), path);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.setStandardInputFile(QProcess::nullDevice());
    child.start(program, {});
    if (!child.waitForStarted(timeoutMs))
        return Verdict::NotRun;
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished(-1);
        return Verdict::Hung;
    }
    return child.exitStatus() == QProcess::NormalExit ? Verdict::Passed : Verdict::Crashed;
}

} // namespace ProjectProbe
