#include "storage/ProjectProbe.h"

#include "storage/ProjectSchema.h"
#include "storage/fb/Attachment.h"
#include "storage/fb/Statement.h"
#include "storage/fb/Transaction.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <cstdlib>

namespace {

constexpr const char* ProbeVariable = "VORN_PROJECT_PROBE";

// Reads the file as the open does: the column check, the description, and the statement of
// the results (prepared only: running it sorts every result).
void readAsTheOpenDoes(fb::Attachment& attachment)
{
    fb::Transaction transaction = fb::Transaction::startReadCommitted(attachment);
    ProjectSchema::columnsMatch(attachment, transaction);
    fb::Statement description(attachment, transaction,
                              ProjectSchema::descriptionSql().select.join('\n').toStdString());
    description.open(transaction);
    while (description.fetch()) {
    }
    description.closeCursor();
    fb::Statement results(attachment, transaction,
                          ProjectSchema::resultSql().select.join('\n').toStdString());
    transaction.commit();
}

// Some damage breaks the engine's memory without stopping it, and what fails is a later call
// or the next attach in the same process: the child reads the file twice over.
constexpr int ProbeRounds = 2;

bool inThisProcess = false;

int runProbe(const char* utf8Path)
{
    try {
        fb::Attachment::Params params;
        params.user = ProjectSchema::User;
        params.password = ProjectSchema::Password;
        params.charset = ProjectSchema::Charset;
        for (int round = 0; round < ProbeRounds; ++round) {
            fb::Attachment attachment = fb::Attachment::attach(utf8Path, params);
            readAsTheOpenDoes(attachment);
            attachment.detach();
        }
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
    if (inThisProcess) {
        runProbe(path.toUtf8().constData());
        return Verdict::Passed;
    }
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

void setInThisProcess(bool inProcess)
{
    inThisProcess = inProcess;
}

} // namespace ProjectProbe
