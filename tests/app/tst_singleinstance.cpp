#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// One run of the program, killed when the test leaves it.
struct Run
{
    QProcess process;
    QByteArray errors;

    Run(const QString& program, const QString& runtimeDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        // A home of its own: the settings and projects of an installed program go there.
        env.insert(QStringLiteral("HOME"), runtimeDir + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), runtimeDir + QStringLiteral("/home/.config"));
        env.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        QObject::connect(&process, &QProcess::readyReadStandardError,
                         [this] { errors += process.readAllStandardError(); });
        process.start(program, {});
        process.waitForStarted();
    }
    ~Run() { kill(); }
    void kill()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    bool refused() const { return errors.contains("Копия данной программы уже запущена."); }
};

} // namespace

// Starts the real program several times. Each run uses a copy of the executable in a folder of
// its own, so that its settings and projects stay there, and a runtime folder of its own for the
// lock.
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

    // Looks in the kernel's lock table instead of trying the lock, so that the probe never
    // competes with a copy that is starting.
    bool lockTakenBySomeone() const
    {
        struct stat info = {};
        if (::stat(QFile::encodeName(lockFile()).constData(), &info) != 0)
            return false;
        QFile locks(QStringLiteral("/proc/locks"));
        if (!locks.open(QIODevice::ReadOnly))
            return false;
        const QByteArray inode = ':' + QByteArray::number(quint64(info.st_ino)) + ' ';
        for (const QByteArray& line : locks.readAll().split('\n'))
            if (line.contains("FLOCK") && line.contains(inode))
                return true;
        return false;
    }

    std::unique_ptr<Run> start() { return std::make_unique<Run>(m_program, m_runtimeDir.path()); }

private slots:
    void initTestCase()
    {
        m_program = m_programDir.filePath(QStringLiteral("vorn"));
        QVERIFY(QFile::copy(QStringLiteral(VORN_EXECUTABLE), m_program));
        QFile::setPermissions(m_program, QFile::permissions(m_program) | QFile::ExeOwner);
    }

    void secondCopyIsRefusedWhileTheFirstRuns()
    {
        auto first = start();
        QTRY_VERIFY_WITH_TIMEOUT(lockTakenBySomeone(), 15000);
        QVERIFY(!first->refused());

        auto second = start();
        QTRY_VERIFY_WITH_TIMEOUT(second->refused(), 15000);
        // It waits in its message box, having opened nothing; the first copy runs on.
        QCOMPARE(second->process.state(), QProcess::Running);
        second->kill();
        QCOMPARE(first->process.state(), QProcess::Running);

        // The lock goes with the process, also when it ends without closing its window.
        first->kill();
        QVERIFY(!lockTakenBySomeone());

        auto third = start();
        QTRY_VERIFY_WITH_TIMEOUT(lockTakenBySomeone(), 15000);
        QTest::qWait(200);
        QVERIFY(!third->refused());
        // A program folder the user can write to is not a portable install by itself.
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo(m_runtimeDir.filePath(QStringLiteral("home/Documents/ВОРН"))).isDir(), 5000);
        QVERIFY(!QFileInfo::exists(m_programDir.filePath(QStringLiteral("projects"))));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
