#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/SampleResults.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

using namespace StorageTest;

namespace {

// A project as the program writes it, damaged: cut off, or with bits flipped at fixed seeds
// (the first page holds what attach reads first).
QByteArray damaged(QByteArray bytes, const QString& kind, int value)
{
    if (kind == "truncated")
        return bytes.left(bytes.size() * value / 100);
    QRandomGenerator random(static_cast<quint32>(value));
    const int flips = 1 + int(random.bounded(8));
    const int span = kind == "first page" ? 4096 : int(bytes.size());
    for (int i = 0; i < flips; ++i)
        bytes[int(random.bounded(span))] ^= char(1 << random.bounded(8));
    return bytes;
}

} // namespace

// Damaged project files are refused, or opened, within seconds; never a hang, and the program
// can open a good project afterwards.
class TestDamagedProjects : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_good;

private slots:
    void initTestCase()
    {
        prepareEngine();
        QVERIFY(m_dir.isValid());
        m_good = m_dir.filePath("good.fdb");
        TMainDataModule module;
        QVERIFY(module.CreateDatabase(m_good));
        QVERIFY(module.OpenDatabase(m_good));
        for (int n = 0; n < 50; ++n)
            module.AddResult(SampleResults::distinct(n));
        module.SaveChanges();
        module.CloseDatabase();
    }

    void damagedFilesEndQuickly_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("value");
        for (int percent : {1, 10, 50, 90, 99})
            QTest::newRow(qPrintable(QString("truncated to %1%").arg(percent)))
                << "truncated" << percent;
        for (int seed : {5010, 5023, 5101, 5202, 5303})
            QTest::newRow(qPrintable(QString("first page, seed %1").arg(seed)))
                << "first page" << seed;
        for (int seed : {1, 2, 3})
            QTest::newRow(qPrintable(QString("anywhere, seed %1").arg(seed))) << "anywhere" << seed;
    }

    void damagedFilesEndQuickly()
    {
        QFETCH(QString, kind);
        QFETCH(int, value);
        const QString path = m_dir.filePath(QString("damaged-%1-%2.fdb").arg(kind).arg(value));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(damaged(fileBytes(m_good), kind, value));
        }
        QElapsedTimer timer;
        timer.start();
        TMainDataModule module;
        if (!module.OpenDatabase(path))
            QVERIFY(!module.failureReason().isEmpty());
        module.CloseDatabase();
        QVERIFY2(timer.elapsed() < 15000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(module.OpenDatabase(m_good));
    }

    // An engine that never returns from attach: the open is given up within the time limit
    // (a child process opens the file; reads of it never return there).
    void hangingEngineIsGivenUp()
    {
        const QString path = m_dir.filePath("hang-forever.fdb");
        QVERIFY(QFile::copy(m_good, path));
        QProcess child;
        QProcessEnvironment environment =
            StorageTest::faultShimEnvironment(QStringLiteral(VORN_FILE_FAULT_SHIM));
        environment.insert("VORN_HANG_PATH", "hang-forever");
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(), {"--open", path, m_good});
        const bool ended = child.waitForFinished(30000);
        if (!ended) {
            child.kill();
            child.waitForFinished();
        }
        QVERIFY2(ended, "the open never ended");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()).trimmed(),
                 QStringLiteral("refused: Файл повреждён или не является проектом этой программы.; "
                                "good project opened"));
        QVERIFY(timer.elapsed() < 20000);
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == "--open") {
        prepareEngine();
        TMainDataModule module;
        if (module.OpenDatabase(args[2]))
            return 1;
        const QByteArray reason = module.failureReason().toUtf8();
        const bool good = module.OpenDatabase(args[3]);
        std::printf("refused: %s; %s\n", reason.constData(),
                    good ? "good project opened" : "good project refused");
        std::fflush(stdout);
        return 0;
    }
    TestDamagedProjects test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_DamagedProjects.moc"
