// SPDX-License-Identifier: GPL-3.0-or-later
// vornctl under faults: killed reads, failed saves, file-size limits, refused projects.
#include "storage/TMainDataModule.h"
#include "tests/ctl/VornctlRun.h"
#include "tests/storage/StorageTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

void execute(const QString& project, const QStringList& statements)
{
    TMainDataModule dataModule;
    QVERIFY(dataModule.OpenDatabase(project));
    for (const QString& statement : statements)
        dataModule.ExecuteStatement(statement);
    dataModule.CloseDatabase();
}

} // namespace

class TestVornctlFaults : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_project;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_project = path(QStringLiteral("bridge.fdb"));
        QCOMPARE(runVornctl({"--demo", "read", m_project}).exitCode, 0);
        QCOMPARE(StorageTest::resultCount(m_project), 120);
    }

    // Killed at any moment, a read into a new project leaves either no project or the whole
    // read under the name.
    void killedReadLeavesNoHalfProject_data()
    {
        QTest::addColumn<int>("killAfterMs");
        for (int ms : {100, 250, 400, 600, 800, 1000, 1300, 1700})
            QTest::addRow("%d ms", ms) << ms;
    }

    void killedReadLeavesNoHalfProject()
    {
        QFETCH(int, killAfterMs);
        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("new.fdb"));
        QProcess process;
        process.start(QStringLiteral(VORNCTL_PATH), {"--demo", "read", project});
        QVERIFY(process.waitForStarted());
        if (!process.waitForFinished(killAfterMs)) {
            process.kill();
            process.waitForFinished(10000);
        }
        QCOMPARE(process.state(), QProcess::NotRunning);
        if (QFile::exists(project))
            QCOMPARE(StorageTest::resultCount(project), 120);
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.size() <= 1, qPrintable(left.join(u' ')));
    }

    // The project's key generator lags behind its keys (as in a file edited by hand), so the
    // save fails at the 31st new row after 30 rows went in. A storage that finds free keys by
    // itself saves all 60: either way the read is whole or absent.
    void failedReadLeavesTheProjectAsItWas()
    {
        const QString project = path(QStringLiteral("lagging.fdb"));
        QVERIFY(QFile::copy(m_project, project));
        execute(project, {"DELETE FROM MSR_RESULT_TABLE WHERE MSR_RESULT_TABLE_PK <= 60",
                          "SET GENERATOR MSR_RESULT_TABLE_GEN TO 30"});
        QCOMPARE(StorageTest::resultCount(project), 60);
        const VornctlRun run = runVornctl({"--demo", "read", project});
        if (run.exitCode == 0) {
            QCOMPARE(StorageTest::resultCount(project), 120);
            return;
        }
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith(u"vornctl: Не удалось сохранить проект"), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(StorageTest::resultCount(project), 60);
    }

    // Past the limit a write fails with EFBIG; the default action of SIGXFSZ would kill the
    // process first. The screen picture (21 KB) is the one write that needs no engine, whose
    // own lock files could not be made under such a limit.
    void fileSizeLimitIsAnError()
    {
        VornctlOptions options;
        options.childModifier = [] {
            const rlimit limit{8 * 1024, 8 * 1024};
            setrlimit(RLIMIT_FSIZE, &limit);
        };
        const QString picture = path(QStringLiteral("limited.bmp"));
        const VornctlRun run = runVornctl({"--demo", "screen", picture}, options);
        QVERIFY(!run.crashed);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.startsWith(u"vornctl: Не удалось записать файл"), qPrintable(run.err));
        QVERIFY2(run.err.contains(u"превышен допустимый размер файла"), qPrintable(run.err));
        QVERIFY(!QFile::exists(picture));
    }

    // A read whose save fails on a full disk gives one Russian reason and what became of the
    // project; the engine's own text comes only on request. The open's few writes fit on the
    // disk, the save's do not.
    void failedSaveOfAReadSaysWhatToDo_data()
    {
        QTest::addColumn<bool>("verbose");
        QTest::newRow("quiet") << false;
        QTest::newRow("--verbose") << true;
    }

    void failedSaveOfAReadSaysWhatToDo()
    {
        QFETCH(bool, verbose);
        const QString project = path(QStringLiteral("full-disk.fdb"));
        QFile::remove(project);
        {
            TMainDataModule creator;
            QVERIFY(creator.CreateDatabase(project));
        }
        VornctlOptions options;
        options.environment =
            StorageTest::faultShimEnvironment(QStringLiteral(VORN_FILE_FAULT_SHIM));
        options.environment.insert("VORN_FAIL_PATH", "full-disk.fdb");
        options.environment.insert("VORN_FAIL_AFTER", "16384");
        QStringList arguments{"--demo", "read", project};
        if (verbose)
            arguments.prepend("--verbose");
        const VornctlRun run = runVornctl(arguments, options);
        QCOMPARE(run.exitCode, 1);
        const QString said = QStringLiteral("vornctl: Не удалось сохранить проект %1: на диске "
                                            "нет места. Проект остался прежним; считайте "
                                            "результаты снова.\n")
                                 .arg(QDir::toNativeSeparators(project));
        if (verbose)
            QVERIFY2(run.err.endsWith(said) && run.err.size() > said.size(), qPrintable(run.err));
        else
            QCOMPARE(run.err, said);
        QCOMPARE(StorageTest::resultCount(project), 0);
    }

    // Short of descriptors, a command is refused with the reason before it opens anything,
    // where GLib ended the process and the engine named a wrong reason; nothing is left behind.
    // The hard limit too, since the tool lifts the soft one up to it.
    void tooFewDescriptorsAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("free");
        QTest::addColumn<QString>("message");
        const QString cannotOpen = QStringLiteral("Не удалось открыть проект! ");
        for (int free : {3, 5, 7})
            QTest::addRow("read into a new project, %d free", free)
                << QStringList{"--demo", "read", "@new.fdb"} << free
                << "Не удалось создать проект! @new.fdb";
        QTest::newRow("read into a project")
            << QStringList{"--demo", "read", "@bridge.fdb"} << 6 << cannotOpen + "@bridge.fdb";
        QTest::newRow("list") << QStringList{"list", "@bridge.fdb"} << 5
                              << cannotOpen + "@bridge.fdb";
        QTest::newRow("export") << QStringList{"export", "@bridge.fdb", "@out.csv"} << 7
                                << cannotOpen + "@bridge.fdb";
    }

    void tooFewDescriptorsAreRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, free);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString project = dir.filePath(QStringLiteral("bridge.fdb"));
        QVERIFY(QFile::copy(m_project, project));
        const QByteArray before = StorageTest::fileBytes(project);
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^@")), dir.path() + u'/');
        message.replace(u'@', dir.path() + u'/');
        VornctlOptions options;
        // free descriptors beside those the program inherits, as from a shell's ulimit -n.
        options.childModifier = [free] {
            int inherited = 0;
            for (int fd = 0; fd < 1024; ++fd) {
                const int flags = fcntl(fd, F_GETFD);
                inherited += flags != -1 && !(flags & FD_CLOEXEC) ? 1 : 0;
            }
            const rlimit files{rlim_t(inherited + free), rlim_t(inherited + free)};
            setrlimit(RLIMIT_NOFILE, &files);
        };
        const VornctlRun run = runVornctl(arguments, options);
        QVERIFY(!run.crashed);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("vornctl: ") + message +
                              QStringLiteral(": слишком много открытых файлов.\n"));
        QVERIFY(run.out.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"bridge.fdb"});
        QCOMPARE(StorageTest::fileBytes(project), before);
    }

    // The listing goes out row by row: past the memory the open takes it runs where a whole
    // listing held at once failed; short of memory the reason is said in Russian. An address
    // space limit is no fault for a sanitizer's process, whose shadow memory it would refuse.
    void listingUnderAMemoryLimit_data()
    {
        QTest::addColumn<int>("megabytes");
        QTest::addColumn<bool>("enough");
        QTest::newRow("short of memory") << 140 << false;
        QTest::newRow("enough for the open") << 400 << true;
    }

    void listingUnderAMemoryLimit()
    {
#ifdef VORN_SANITIZED
        QSKIP("RLIMIT_AS is no fault under AddressSanitizer");
#endif
        QFETCH(int, megabytes);
        QFETCH(bool, enough);
        const QString project = path(QStringLiteral("large.fdb"));
        if (!QFile::exists(project)) {
            QVERIFY(QFile::copy(m_project, project));
            // A thousand copies of the 120 results, made inside the engine in a second.
            execute(project, {"EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 1000) DO "
                              "BEGIN INSERT INTO MSR_RESULT_TABLE (MSR_DATE, MSR_TIME, MSR_NUMBER, "
                              "REINF_KIND_ID, REINF_DIAMETER, FORCE_ESTIMATE, BASE, F, P, S) "
                              "SELECT MSR_DATE, MSR_TIME, MSR_NUMBER + :I, REINF_KIND_ID, "
                              "REINF_DIAMETER, FORCE_ESTIMATE, BASE, F, P, S FROM "
                              "MSR_RESULT_TABLE WHERE MSR_RESULT_TABLE_PK <= 120; I = I + 1; END "
                              "END"});
        }
        VornctlOptions options;
        options.childModifier = [megabytes] {
            const rlim_t bytes = rlim_t(megabytes) * 1024 * 1024;
            const rlimit space{bytes, bytes};
            setrlimit(RLIMIT_AS, &space);
        };
        const VornctlRun run = runVornctl({"list", project, "--format", "json"}, options);
        QVERIFY(!run.crashed);
        if (enough) {
            QCOMPARE(run.err, QString());
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(run.out.count("\"number\": "), 120120);
            QVERIFY(run.out.endsWith("}\n"));
        } else {
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.startsWith(u"vornctl: Не удалось ") &&
                         run.err.endsWith(u": недостаточно памяти.\n"),
                     qPrintable(run.err));
            QVERIFY(run.out.isEmpty());
        }
    }

    // A named pipe given as the output gets the bytes and stays a pipe.
    void pipeOutputIsWrittenInPlace()
    {
        const QString fifo = path(QStringLiteral("results.fifo"));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess reader;
        reader.start(QStringLiteral("cat"), {fifo});
        QVERIFY(reader.waitForStarted());
        const VornctlRun run = runVornctl({"export", m_project, fifo});
        QVERIFY(reader.waitForFinished(10000));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(reader.readAllStandardOutput(), runVornctl({"export", m_project, "-"}).out);
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    }

    void refusalsGiveTheReason_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("holdOpen");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("storageMayExplain");
        const QString cannotOpen = QStringLiteral("vornctl: Не удалось открыть проект! ");
        QTest::newRow("missing file") << QStringList{"info", "@missing.fdb"} << false
                                      << cannotOpen + "@missing.fdb: файл не найден."
                                      << "" << false;
        QTest::newRow("not a project")
            << QStringList{"list", "@notes.fdb"} << false
            << cannotOpen + "@notes.fdb: файл не является проектом программы ВОРН-1.0"
            << "" << true;
        QTest::newRow("a folder") << QStringList{"export", "@", "@out.csv"} << false
                                  << cannotOpen + "@: это папка"
                                  << "out.csv" << false;
        QTest::newRow("in use") << QStringList{"report", "@bridge.fdb", "@out.pdf"} << true
                                << cannotOpen + "@bridge.fdb: файл открыт другой программой."
                                << "out.pdf" << true;
        QTest::newRow("empty project, export")
            << QStringList{"export", "@empty.fdb", "@out.csv"} << false
            << "vornctl: В проекте @empty.fdb нет результатов: экспортировать нечего."
            << "out.csv" << false;
        QTest::newRow("empty project, report")
            << QStringList{"report", "@empty.fdb", "@out.pdf"} << false
            << "vornctl: В проекте @empty.fdb нет результатов: печатать нечего."
            << "out.pdf" << false;
        QTest::newRow("empty project, to standard output")
            << QStringList{"export", "@empty.fdb", "-"} << false
            << "vornctl: В проекте @empty.fdb нет результатов"
            << "" << false;
        QTest::newRow("missing folder")
            << QStringList{"--demo", "read", "@none/new.fdb"} << false
            << "vornctl: Не удалось создать проект! @none/new.fdb: папка «@none» не существует."
            << "none" << true;
        // Without --demo: a target asked after the instrument would be refused for want of it.
        QTest::newRow("read into a link to nothing")
            << QStringList{"read", "@dangling.fdb"} << false
            << "vornctl: Не удалось создать проект! @dangling.fdb: под этим именем стоит ссылка "
               "на несуществующий файл."
            << "dangling.fdb" << false;
        QTest::newRow("read into a folder")
            << QStringList{"read", "@"} << false << cannotOpen + "@: это папка" << "" << false;
        QTest::newRow("read into what is no project")
            << QStringList{"read", "@notes.fdb"} << false
            << cannotOpen + "@notes.fdb: файл не является проектом программы ВОРН-1.0" << ""
            << true;
    }

    void refusalsGiveTheReason()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, holdOpen);
        QFETCH(QString, message);
        QFETCH(QString, output);
        QFETCH(bool, storageMayExplain);
        const QString folder = QDir::toNativeSeparators(m_dir.path());
        QFile notes(path(QStringLiteral("notes.fdb")));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not a project\n");
        notes.close();
        QFile::link(path(QStringLiteral("nowhere/new.fdb")), path(QStringLiteral("dangling.fdb")));
        const QString empty = path(QStringLiteral("empty.fdb"));
        if (!QFile::exists(empty)) {
            TMainDataModule creator;
            QVERIFY(creator.CreateDatabase(empty));
        }
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^@$")), folder);
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^@")), folder + u'/');
        message.replace(QStringLiteral("@: "), folder + QStringLiteral(": "));
        message.replace(u'@', folder + u'/');
        TMainDataModule holder;
        if (holdOpen)
            QVERIFY(holder.OpenDatabase(m_project));
        const VornctlRun run = runVornctl(arguments);
        QCOMPARE(run.exitCode, 1);
        if (!run.err.startsWith(message) && storageMayExplain) {
            // The storage's own reason, in Russian, after the path.
            const QString prefix = message.left(message.indexOf(QStringLiteral(": ")) + 2);
            QVERIFY2(run.err.startsWith(prefix), qPrintable(run.err));
            QVERIFY2(
                run.err.mid(prefix.size()).contains(QRegularExpression(QStringLiteral("[а-яА-Я]"))),
                qPrintable(run.err));
        } else {
            QVERIFY2(run.err.startsWith(message), qPrintable(run.err));
        }
        QVERIFY(run.out.isEmpty());
        if (!output.isEmpty())
            QVERIFY(!QFile::exists(path(output)));
    }

    // No output of any kind takes the place of a project, however it is named.
    void outputsNeverReplaceAProject_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("refused");
        const QList<std::pair<const char*, QStringList>> kinds{
            {"CSV", {"export", "@bridge.fdb"}},
            {"workbook", {"export", "--format", "xlsx", "@bridge.fdb"}},
            {"PDF", {"report", "@bridge.fdb"}},
            {"picture", {"--demo", "screen"}},
        };
        for (const auto& [kind, command] : kinds) {
            const bool named = command.contains("@bridge.fdb");
            if (named)
                QTest::addRow("%s over the project itself", kind) << command << "bridge.fdb" << true;
            QTest::addRow("%s over a link to the project", kind) << command << "link.csv" << true;
            QTest::addRow("%s over another project", kind) << command << "other.fdb" << true;
            QTest::addRow("%s over a plain file", kind) << command << "plain.txt" << false;
        }
    }

    void outputsNeverReplaceAProject()
    {
        QFETCH(QStringList, command);
        QFETCH(QString, target);
        QFETCH(bool, refused);
        const QString other = path(QStringLiteral("other.fdb"));
        if (!QFile::exists(other))
            QVERIFY(QFile::copy(m_project, other));
        QFile::link(m_project, path(QStringLiteral("link.csv")));
        QFile plain(path(QStringLiteral("plain.txt")));
        QVERIFY(plain.open(QIODevice::WriteOnly | QIODevice::Truncate));
        plain.write("notes\n");
        plain.close();
        const QString output = path(target);
        const QByteArray before = StorageTest::fileBytes(output);
        command.replaceInStrings(QStringLiteral("@bridge.fdb"), m_project);
        const VornctlRun run = runVornctl(command << output);
        if (!refused) {
            QCOMPARE(run.exitCode, 0);
            QVERIFY(StorageTest::fileBytes(output) != before);
            return;
        }
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("vornctl: Файл «%1» — проект; он не будет перезаписан.\n")
                              .arg(QDir::toNativeSeparators(output)));
        QCOMPARE(StorageTest::fileBytes(output), before);
        QCOMPARE(StorageTest::resultCount(m_project), 120);
    }
};

QTEST_MAIN(TestVornctlFaults)
#include "tst_vornctlfaults.moc"
