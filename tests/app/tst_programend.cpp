#include "app/SettingsFile.h"
#include "storage/ResultDataSet.h"
#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/SampleResults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

constexpr int StoredResults = 3;
constexpr int AddedResults = 2;

// One run of a program in a home folder of its own, killed when the test leaves it.
struct Run
{
    QProcess process;
    QByteArray output;
    QByteArray errors;

    Run(const QString& program, const QString& home, const QStringList& arguments,
        rlim_t fileSizeLimit = RLIM_INFINITY, rlim_t openFileLimit = RLIM_INFINITY)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
        env.remove(QStringLiteral("XDG_DOCUMENTS_DIR"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setChildProcessModifier([fileSizeLimit, openFileLimit] {
            const rlimit limit = {fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            if (openFileLimit != RLIM_INFINITY) {
                const rlimit files = {openFileLimit, openFileLimit};
                ::setrlimit(RLIMIT_NOFILE, &files);
            }
        });
        QObject::connect(&process, &QProcess::readyReadStandardOutput,
                         [this] { output += process.readAllStandardOutput(); });
        QObject::connect(&process, &QProcess::readyReadStandardError, [this] {
            const QByteArray bytes = process.readAllStandardError();
            errors += bytes;
            std::fputs(bytes.constData(), stderr);
        });
        process.start(program, arguments);
    }
    ~Run()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    qsizetype boxes() const { return output.count("box: "); }
    void send(int signalNumber) { ::kill(pid_t(process.processId()), signalNumber); }
};

} // namespace

// Ends the real program with real signals, as a logout, `systemctl poweroff` or Ctrl+C do, in a
// home folder of its own: the settings go to ~/.config/vorn, projects to ~/Documents.
class TestProgramEnd : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_project;

    QString settingsFile(const QString& program) const
    {
        return m_home.filePath(QStringLiteral(".config/vorn/") + QFileInfo(program).fileName() +
                               QStringLiteral(".ini"));
    }

    void makeProject(const QString& file)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile::remove(file);
        TMainDataModule module;
        QVERIFY(module.CreateDatabase(file));
        QVERIFY(module.OpenDatabase(file));
        module.BeginUpdate();
        for (int i = 1; i <= StoredResults; ++i)
            module.AddResult(SampleResults::daily(i));
        module.EndUpdate();
        module.SaveChanges();
        module.CloseDatabase();
    }

    static void writeFile(const QString& file, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray readFile(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The real program gives no sign of being ready: its lock is taken once it catches signals.
    bool lockTaken() const
    {
        struct stat info = {};
        const QString lock = m_home.filePath(QStringLiteral("run/VORN_CHECK_EVENT.lock"));
        if (::stat(QFile::encodeName(lock).constData(), &info) != 0)
            return false;
        QFile locks(QStringLiteral("/proc/locks"));
        if (!locks.open(QIODevice::ReadOnly))
            return false;
        const QByteArray inode = ':' + QByteArray::number(quint64(info.st_ino)) + ' ';
        return locks.readAll().contains(inode);
    }

    void waitUntilReady(Run& run)
    {
        QTRY_VERIFY_WITH_TIMEOUT(run.output.contains("ready\n") || lockTaken(), 15000);
    }

    static void verifyCleanExit(Run& run)
    {
        // waitForFinished() is false for a process that has ended already.
        QVERIFY2(run.process.state() == QProcess::NotRunning || run.process.waitForFinished(15000),
                 "the program did not end");
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(run.process.exitCode(), 0);
    }

private slots:
    void init()
    {
        QVERIFY(m_home.isValid());
        QDir(m_home.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_home.filePath(QStringLiteral("run"))));
        QFile::setPermissions(m_home.filePath(QStringLiteral("run")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_project = m_home.filePath(QStringLiteral("Documents/ВОРН/мост.fdb"));
        makeProject(m_project);
    }

    // steps: "signal" sends the row's signal, "box" waits for the next message box, "running"
    // checks that the program goes on; the program must then end by itself.
    void signalClosesTheWindow_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("results");
        const QString vorn = QStringLiteral(VORN_EXECUTABLE);
        const QString helper = QStringLiteral(SHUTDOWN_TEST_PROGRAM);
        const QStringList once{"signal"};
        const QStringList asked{"signal", "box"};
        QTest::newRow("SIGTERM, nothing to save") << vorn << SIGTERM << "" << once << StoredResults;
        QTest::newRow("SIGINT, nothing to save") << vorn << SIGINT << "" << once << StoredResults;
        QTest::newRow("SIGHUP, nothing to save") << vorn << SIGHUP << "" << once << StoredResults;
        QTest::newRow("SIGTERM, Yes saves")
            << helper << SIGTERM << "Yes" << asked << StoredResults + AddedResults;
        QTest::newRow("SIGINT, No discards") << helper << SIGINT << "No" << asked << StoredResults;
        QTest::newRow("SIGHUP, second signal at the question ends without saving")
            << helper << SIGHUP << "none" << QStringList{"signal", "box", "signal"}
            << StoredResults;
        // The engine's own handler would have cut the connection by the time of this save.
        QTest::newRow("SIGTERM, Cancel stays; asked again, Yes saves")
            << helper << SIGTERM << "Cancel,Yes"
            << QStringList{"signal", "box", "running", "signal", "box"}
            << StoredResults + AddedResults;
    }
    void signalClosesTheWindow()
    {
        QFETCH(QString, program);
        QFETCH(int, signalNumber);
        QFETCH(QString, answers);
        QFETCH(QStringList, steps);
        QFETCH(int, results);
        writeFile(settingsFile(program),
                  "[General]\nLastProject=" + m_project.toUtf8() + "\n[Processing]\nMeasurand=1\n");
        QStringList arguments;
        if (!answers.isEmpty())
            arguments << "--changes" << QString::number(AddedResults) << "--answers" << answers;
        Run run(program, m_home.path(), arguments);
        waitUntilReady(run);

        QElapsedTimer clock;
        qsizetype boxes = 0;
        for (const QString& step : steps) {
            if (step == QStringLiteral("signal")) {
                clock.start();
                run.send(signalNumber);
            } else if (step == QStringLiteral("box")) {
                ++boxes;
                QTRY_VERIFY_WITH_TIMEOUT(run.boxes() == boxes, 10000);
                QVERIFY(run.output.contains("box: Сохранить изменеия в проекте мост.fdb ?\n"));
            } else {
                QTest::qWait(300);
                QCOMPARE(run.process.state(), QProcess::Running);
            }
        }
        verifyCleanExit(run);
        if (answers.isEmpty())
            qInfo("ended %lld ms after the signal", qint64(clock.elapsed()));
        QVERIFY2(run.boxes() == boxes, run.output.constData()); // no error box on the way

        const VornSettings settings = SettingsFile(settingsFile(program)).load();
        QCOMPARE(settings.ProjectName, m_project);
        QCOMPARE(settings.Measurand, 1);
        QCOMPARE(StorageTest::resultCount(m_project), results);
        QVERIFY(!QFileInfo::exists(QFileInfo(program).absolutePath() + "/" +
                                   QFileInfo(program).fileName() + ".ini"));
    }

    // Past RLIMIT_FSIZE a write fails like any other instead of SIGXFSZ killing the program.
    void fileSizeLimitIsAnOrdinaryWriteError()
    {
        const QString program = QStringLiteral(SHUTDOWN_TEST_PROGRAM);
        const QByteArray settings = "; " + QByteArray(3000, 'x') + "\n[Processing]\nMeasurand=1\n";
        writeFile(settingsFile(program), settings);
        Run run(program, m_home.path(), {"--answers", "Ok"}, 1024);
        waitUntilReady(run);
        run.send(SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(run.boxes() == 1, 10000);
        QVERIFY2(run.output.contains("box: Не удалось сохранить настройки в файл "),
                 run.output.constData());
        verifyCleanExit(run);
        QCOMPARE(readFile(settingsFile(program)), settings);
    }

    // Short of descriptors the window waited forever inside Xlib, holding the single-instance
    // lock; it refuses to start instead, on the terminal, and a later start runs.
    void tooFewDescriptorsRefuseTheStart_data()
    {
        QTest::addColumn<int>("limit");
        for (int limit : {12, 20, 40})
            QTest::addRow("%d", limit) << limit;
    }
    void tooFewDescriptorsRefuseTheStart()
    {
        QFETCH(int, limit);
        const QString program = QStringLiteral(VORN_EXECUTABLE);
        {
            Run refused(program, m_home.path(), {}, RLIM_INFINITY, rlim_t(limit));
            QVERIFY2(refused.process.waitForFinished(15000), "the program did not end");
            QCOMPARE(refused.process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(refused.process.exitCode(), 1);
            QVERIFY2(refused.errors.startsWith(
                         "Не удалось запустить программу: слишком много открытых файлов. "),
                     refused.errors.constData());
        }
        Run run(program, m_home.path(), {});
        waitUntilReady(run);
        run.send(SIGTERM);
        verifyCleanExit(run);
    }

    // A user of the earlier version, whose files lay under ~/.local/share/vorn, keeps reaching
    // them: its settings are read while there are no new ones, so the last project opens.
    void earlierUserKeepsTheLastProject()
    {
        const QString program = QStringLiteral(VORN_EXECUTABLE);
        const QString oldFolder = m_home.filePath(QStringLiteral(".local/share/vorn"));
        const QString project = oldFolder + QStringLiteral("/projects/old.fdb");
        makeProject(project);
        const QByteArray oldSettings = "[General]\nLastProject=" + project.toUtf8() +
                                       "\nProjectPath=" + oldFolder.toUtf8() + "/projects/\n";
        writeFile(oldFolder + QStringLiteral("/vorn.ini"), oldSettings);
        Run run(program, m_home.path(), {});
        waitUntilReady(run);
        run.send(SIGTERM);
        verifyCleanExit(run);

        const VornSettings settings = SettingsFile(settingsFile(program)).load();
        QCOMPARE(settings.ProjectName, project); // cleared had it not opened
        QCOMPARE(settings.ProjectPath, oldFolder + QStringLiteral("/projects/"));
        QCOMPARE(readFile(oldFolder + QStringLiteral("/vorn.ini")), oldSettings);
        QCOMPARE(StorageTest::resultCount(project), StoredResults);
    }
};

QTEST_GUILESS_MAIN(TestProgramEnd)
#include "tst_programend.moc"
