#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/SampleResults.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace StorageTest;

namespace {

// The reasons as the user reads them, written out so that a changed constant fails here.
const QString SaveFailed = QStringLiteral(
    "Не удалось сохранить проект! Изменения не записаны и не потеряны: их можно сохранить снова.");
const QString CloseFailed =
    QStringLiteral("Не удалось закрыть проект! Изменения не потеряны: их можно сохранить снова.");
const QString NoSpace = QStringLiteral("На диске нет места.");
const QString InputOutput = QStringLiteral("Ошибка ввода-вывода при работе с файлом.");
const QString FileReplaced =
    QStringLiteral("Файл проекта удалён или заменён другим файлом, пока проект был открыт.");

const QString Description = QStringLiteral("Опора 3, пролёт 2");

// Limits the size of every file this process writes; with SIGXFSZ ignored a write past it fails
// with EFBIG, as on a disk that cannot take more.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { lift(); }
    void lift() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

int insertedRows(TMainDataModule& module)
{
    int inserted = 0;
    for (module.dsetVORN->first(); !module.dsetVORN->eof(); module.dsetVORN->next())
        inserted += module.dsetVORN->updateStatus() == UpdateStatus::Inserted ? 1 : 0;
    return inserted;
}

} // namespace

// A save that meets a failing disk or a file swapped behind the program's back writes nothing,
// keeps every change pending, and a retry once the fault is gone writes each change once.
class TestSaveUnderFaults : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_serial = 0;

private slots:
    void initTestCase()
    {
        prepareEngine();
        QVERIFY(m_dir.isValid());
        std::signal(SIGXFSZ, SIG_IGN);
    }

    void failedSaveIsUndoneAndRetried_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("file size limit") << "limit" << InputOutput;
        QTest::newRow("file replaced") << "replaced" << FileReplaced;
        QTest::newRow("file deleted") << "deleted" << FileReplaced;
    }

    void failedSaveIsUndoneAndRetried()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        const QString path = m_dir.filePath(QString("fault%1.fdb").arg(++m_serial));
        const QString aside = path + ".aside";
        constexpr int Stored = 10;
        constexpr int Added = 3000;
        TMainDataModule module;
        QVERIFY(module.CreateDatabase(path));
        QVERIFY(module.OpenDatabase(path));
        module.BeginUpdate();
        for (int n = 0; n < Stored; ++n)
            module.AddResult(SampleResults::distinct(n));
        module.EndUpdate();
        module.SaveChanges();

        module.BeginUpdate();
        for (int n = Stored; n < Stored + Added; ++n)
            module.AddResult(SampleResults::distinct(n));
        module.EndUpdate();
        module.DescriptionDataSet->edit();
        module.DescriptionDataSetPROJECT_DESC->setAsString(Description);
        module.PostEdits();
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (fault == "limit") {
                limit = std::make_unique<FileSizeLimit>(QFileInfo(path).size());
            } else {
                QVERIFY(QFile::rename(path, aside));
                if (fault == "replaced")
                    QVERIFY(QFile::copy(aside, path));
            }
            try {
                module.SaveChanges();
                QFAIL("the save did not fail");
            } catch (const StorageError& error) {
                QVERIFY2(error.reason() == reason, error.what());
                QVERIFY(QString::fromUtf8(error.what()).startsWith(SaveFailed));
            }
        }
        QVERIFY(module.HasChanges());
        QCOMPARE(module.UpdateCount, 0);
        QCOMPARE(module.dsetVORN->recordCount(), Stored + Added);
        QCOMPARE(insertedRows(module), Added);
        QVERIFY(module.DescriptionDataSet->updatesPending());
        if (fault != "limit") {
            QFile::remove(path);
            QVERIFY(QFile::rename(aside, path));
        }

        module.SaveChanges();
        QVERIFY(!module.HasChanges());
        module.CloseDatabase();
        QVERIFY(module.OpenDatabase(path));
        QCOMPARE(module.dsetVORN->recordCount(), Stored + Added);
        QCOMPARE(module.DescriptionDataSetPROJECT_DESC->asString(), Description);
        QSet<int> keys;
        for (module.dsetVORN->first(); !module.dsetVORN->eof(); module.dsetVORN->next())
            keys.insert(module.dsetVORNMSR_RESULT_TABLE_PK->asInteger());
        QCOMPARE(keys.size(), Stored + Added);
    }

    // Creating on a disk that fills up at any point of the create never ends the program and
    // leaves no file behind. The create runs in a child with writes to the file made to fail.
    void failedCreateLeavesNoFile_data()
    {
        QTest::addColumn<int>("bytes");
        for (int bytes : {0, 4096, 65536, 524288, 1048576, 2000000, 3000000, 4000000, 5000000,
                          5600000, 8000000})
            QTest::newRow(qPrintable(QString("after %1 bytes").arg(bytes))) << bytes;
    }

    void failedCreateLeavesNoFile()
    {
        QFETCH(int, bytes);
        const QString shim = QStringLiteral(VORN_FILE_FAULT_SHIM);
        if (!QFile::exists(shim))
            QSKIP("the file-fault shim is not built");
        const QString path = m_dir.filePath(QString("full-disk-%1.fdb").arg(bytes));
        QProcess child;
        QProcessEnvironment environment =
            StorageTest::faultShimEnvironment(QStringLiteral(VORN_FILE_FAULT_SHIM));
        environment.insert("VORN_FAIL_PATH", "full-disk-");
        environment.insert("VORN_FAIL_AFTER", QString::number(bytes));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {"--create", path});
        QVERIFY(child.waitForFinished(30000));
        const QString said = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QVERIFY2(child.exitCode() == 0 || child.exitCode() == 1, qPrintable(said));
        if (child.exitCode() == 1) {
            QVERIFY2(!QFile::exists(path), qPrintable(said));
            QVERIFY2(said == NoSpace, qPrintable(said));
        } else {
            TMainDataModule module;
            QVERIFY(module.OpenDatabase(path));
        }
    }

    // A close whose commit fails says so and leaves the project open with its changes.
    void failedCloseKeepsTheProjectOpen()
    {
        const QString path = m_dir.filePath("full-disk-close.fdb");
        {
            TMainDataModule creator;
            QVERIFY(creator.CreateDatabase(path));
        }
        QProcess child;
        child.setProcessEnvironment(
            StorageTest::faultShimEnvironment(QStringLiteral(VORN_FILE_FAULT_SHIM)));
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {"--close", path});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).trimmed(),
                 QStringLiteral("refused, open, pending; closed"));
        TMainDataModule module;
        QVERIFY(module.OpenDatabase(path));
        QCOMPARE(module.dsetVORN->recordCount(), 1);
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == "--close") {
        prepareEngine();
        TMainDataModule module;
        if (!module.OpenDatabase(args[2]))
            return 2;
        module.AddResult(SampleResults::distinct(1));
        module.SaveChanges();
        module.AddResult(SampleResults::distinct(2));
        qputenv("VORN_FAIL_AFTER", "0");
        qputenv("VORN_FAIL_PATH", "full-disk-close");
        QByteArray said;
        try {
            module.CloseDatabase();
            said = "closed";
        } catch (const StorageError& error) {
            said =
                QString::fromUtf8(error.what()).startsWith(CloseFailed) ? "refused" : error.what();
        }
        said += module.IsOpen() ? ", open" : ", closed";
        said += module.HasChanges() ? ", pending" : ", nothing pending";
        qunsetenv("VORN_FAIL_PATH");
        module.CancelChanges();
        module.CloseDatabase();
        std::printf("%s; closed\n", said.constData());
        std::fflush(stdout);
        return 0;
    }
    if (args.size() == 3 && args[1] == "--create") {
        prepareEngine();
        TMainDataModule module;
        if (module.CreateDatabase(args[2]))
            return 0;
        std::fputs(module.failureReason().toUtf8().constData(), stdout);
        std::fflush(stdout);
        return 1;
    }
    TestSaveUnderFaults test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_SaveUnderFaults.moc"
