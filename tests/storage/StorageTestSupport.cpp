#include "tests/storage/StorageTestSupport.h"

#include "storage/TMainDataModule.h"
#include "storage/fb/LockFolder.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace StorageTest {

void prepareEngine()
{
    fb::usePerUserLockFolder();
}

bool isqlAvailable()
{
    return !QStandardPaths::findExecutable("isql-fb").isEmpty();
}

ProjectHolder::ProjectHolder(const QString& path)
{
    if (!isqlAvailable())
        return;
    m_isql.setProcessChannelMode(QProcess::MergedChannels);
    m_isql.start("isql-fb", {"-q", "-user", "SYSDBA", "-password", "x", path});
    m_isql.write("SELECT 'ATTACHED' FROM RDB$DATABASE;\n");
    while (!m_said.contains("ATTACHED") && m_isql.waitForReadyRead(20000))
        m_said += m_isql.readAll();
    m_attached = m_said.contains("ATTACHED");
}

ProjectHolder::~ProjectHolder()
{
    if (m_isql.state() == QProcess::NotRunning)
        return;
    m_isql.closeWriteChannel();
    if (!m_isql.waitForFinished(20000))
        m_isql.kill();
}

QString runIsql(const QString& path, const QString& input, QStringList extraArgs)
{
    QProcess isql;
    isql.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args = {"-q", "-user", "SYSDBA", "-password", "tarnwheel"};
    args << extraArgs << path;
    isql.start("isql-fb", args);
    isql.write(input.toUtf8());
    isql.closeWriteChannel();
    isql.waitForFinished(60000);
    return QString::fromUtf8(isql.readAll());
}

QString extractMetadata(const QString& path)
{
    return runIsql(path, QString(), {"-x"});
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int resultCount(const QString& project)
{
    TMainDataModule module;
    if (!module.OpenDatabase(project))
        return -1;
    const int count = module.dsetVORN->recordCount();
    module.CloseDatabase();
    return count;
}

QProcessEnvironment faultShimEnvironment(const QString& shim)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_PRELOAD", shim);
    // Under AddressSanitizer its runtime must otherwise come first in the preload list; the
    // child is a helper whose exit status the test reads, so leaks are the parent's to report.
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") +
                                           ":verify_asan_link_order=0:detect_leaks=0");
    return environment;
}

} // namespace StorageTest
