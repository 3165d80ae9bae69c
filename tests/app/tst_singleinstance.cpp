#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// Starts the real program twice. Each run uses a copy of the executable in a folder of its own,
// so that its settings and projects stay there, and a runtime folder of its own for the lock.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_programDir;
    QTemporaryDir m_runtimeDir;
    QString m_program;

    QString lockFile() const
    {
        return m_runtimeDir.filePath(QStringLiteral("VORN_CHECK_EVENT.lock"));
    }

    bool lockTakenBySomeone() const
    {
        const int fd = ::open(QFile::encodeName(lockFile()).constData(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return false;
        const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        return taken;
    }

    void start(QProcess& process)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(m_program, {});
        QVERIFY(process.waitForStarted());
    }

    static void end(QProcess& process)
    {
        process.kill();
        process.waitForFinished();
    }

private slots:
    void initTestCase()
    {
        m_program = m_programDir.filePath(QStringLiteral("vorn"));
        QVERIFY(QFile::copy(QStringLiteral(VORN_EXECUTABLE), m_program));
        QFile::setPermissions(m_program, QFile::permissions(m_program) | QFile::ExeOwner);
        QFile::setPermissions(m_runtimeDir.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void secondCopyIsRefusedWhileTheFirstRuns()
    {
        QProcess first;
        start(first);
        QTRY_VERIFY_WITH_TIMEOUT(lockTakenBySomeone(), 15000);

        QProcess second;
        start(second);
        QTRY_VERIFY_WITH_TIMEOUT(
            second.readAllStandardError().contains("Копия данной программы уже запущена."), 15000);
        // It waits in its message box and has opened nothing.
        QCOMPARE(second.state(), QProcess::Running);
        end(second);
        QCOMPARE(first.state(), QProcess::Running);

        // A crash of the holder frees the lock as well.
        end(first);
        QVERIFY(!lockTakenBySomeone());

        QProcess third;
        start(third);
        QTRY_VERIFY_WITH_TIMEOUT(lockTakenBySomeone(), 15000);
        QVERIFY(!third.readAllStandardError().contains("Копия"));
        QVERIFY(QFileInfo(m_programDir.filePath(QStringLiteral("projects"))).isDir());
        end(third);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
