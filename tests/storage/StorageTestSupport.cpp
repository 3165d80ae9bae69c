#include "tests/storage/StorageTestSupport.h"

#include "common/OleDate.h"
#include "storage/fb/LockFolder.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace StorageTest {

void PrepareEngine()
{
    fb::UsePerUserLockFolder();
}

TMsrResult Result(int n)
{
    TMsrResult r;
    r.MsrDate = OleDate::fromParts(2024, 1 + n % 12, 1 + n % 28, n % 24, (n / 24) % 60, n % 60);
    r.MsrNumber = static_cast<uint32_t>(n);
    r.ReinfKindID = n % 4;
    r.ReinfDiameter = 10 + n % 20;
    r.ForceEstimate = 1000 + n;
    r.Base = 500 + n % 7;
    r.F = 1000.5f + static_cast<float>(n);
    r.P = 0.25f * static_cast<float>(n);
    r.S = 3.0f;
    return r;
}

bool IsqlAvailable()
{
    return !QStandardPaths::findExecutable("isql-fb").isEmpty();
}

QString RunIsql(const QString& path, const QString& input, QStringList extraArgs)
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

QString ExtractMetadata(const QString& path)
{
    return RunIsql(path, QString(), {"-x"});
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QProcessEnvironment FaultShimEnvironment(const QString& shim)
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
