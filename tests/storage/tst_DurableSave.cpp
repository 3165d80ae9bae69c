#include "common/Windows1251.h"
#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/SampleResults.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>

using namespace StorageTest;

namespace {

const QString Description = QStringLiteral("Сохранено до сбоя");

// Runs in a child process: saves some results and the description, makes further unsaved
// changes, reports and waits to be killed.
int runChild(const QString& path, int saved)
{
    prepareEngine();
    TMainDataModule module;
    if (!module.OpenDatabase(path))
        return 2;
    for (int n = 0; n < saved; ++n)
        module.AddResult(SampleResults::distinct(n));
    module.DescriptionDataSet->edit();
    module.DescriptionDataSetPROJECT_DESC->setAsString(Description);
    module.PostEdits();
    module.SaveChanges();
    for (int n = saved; n < saved + 10; ++n)
        module.AddResult(SampleResults::distinct(n));
    std::fputs("SAVED\n", stdout);
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

} // namespace

// A save is on disk as soon as SaveChanges returns, even if the program dies right after.
class TestDurableSave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareEngine(); }

    void savedRowsSurviveAKilledProcess()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("durable.fdb");
        {
            TMainDataModule creator;
            QVERIFY(creator.CreateDatabase(path));
        }
        const int saved = 25;
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--child", path, QString::number(saved)});
        QByteArray said;
        while (!said.contains("SAVED") && child.waitForReadyRead(30000))
            said += child.readAll();
        QVERIFY2(said.contains("SAVED"), said.constData());
        child.kill(); // SIGKILL: no destructor, no disconnect, no commit
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        TMainDataModule module;
        QVERIFY(module.OpenDatabase(path));
        QCOMPARE(module.dsetVORN->recordCount(), saved);
        for (int n = 0; n < saved; ++n)
            QVERIFY(module.ResultExists(SampleResults::distinct(n)));
        QCOMPARE(module.DescriptionDataSetPROJECT_DESC->asString(), Description);
        QVERIFY(!module.HasChanges());
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == "--child")
        return runChild(args[2], args[3].toInt());
    TestDurableSave test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_DurableSave.moc"
