#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/SampleResults.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace StorageTest;

namespace {

// The reasons as the user reads them, written out so that a changed constant fails here.
const QString Damaged = QStringLiteral("Файл повреждён или не является проектом этой программы.");
const QString NotAProject = QStringLiteral("Файл не является проектом этой программы.");
const QString Missing = QStringLiteral("Файл или папка не найдены.");
const QString InUse = QStringLiteral("Файл открыт другой программой.");
const QString NoPermission = QStringLiteral("Нет прав на доступ к файлу.");
const QString ColonInName =
    QStringLiteral("Имя файла проекта или его папки не может содержать двоеточие.");
const QString FolderUnderName = QStringLiteral("Под этим именем уже есть папка.");
const QString LinkToNothing = QStringLiteral("Под этим именем стоит ссылка на несуществующий файл.");
const QString TooManyOpenFiles = QStringLiteral("Слишком много открытых файлов.");

// Takes every descriptor the process may still open, for as long as it lives.
class AllDescriptorsTaken
{
public:
    AllDescriptorsTaken()
    {
        getrlimit(RLIMIT_NOFILE, &m_limit);
        rlimit lower = m_limit;
        lower.rlim_cur = std::min<rlim_t>(m_limit.rlim_cur, 1024);
        setrlimit(RLIMIT_NOFILE, &lower);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            m_taken.push_back(fd);
    }
    ~AllDescriptorsTaken()
    {
        for (int fd : m_taken)
            ::close(fd);
        setrlimit(RLIMIT_NOFILE, &m_limit);
    }

private:
    rlimit m_limit{};
    std::vector<int> m_taken;
};

} // namespace

// The project file: what CreateDatabase writes, what OpenDatabase accepts, and that a refused
// open leaves the file and the data module as they were.
class TestProjectFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_good;

    QString pathOf(const QString& name) const { return m_dir.filePath(name); }
    QString freshProject(const QString& name)
    {
        TMainDataModule module;
        const QString path = pathOf(name);
        QFile::remove(path);
        if (!module.CreateDatabase(path))
            return QString();
        return path;
    }
    static void verifyClosed(const TMainDataModule& module)
    {
        QVERIFY(!module.IsOpen());
        QVERIFY(!module.MainDatabase->connected());
        QVERIFY(!module.pFIBTransaction->active());
        QCOMPARE(module.UpdateCount, 0);
    }

private slots:
    void initTestCase()
    {
        prepareEngine();
        QVERIFY(m_dir.isValid());
        m_good = freshProject("good.fdb");
        QVERIFY(!m_good.isEmpty());
    }

    void newProjectHoldsOnlyTheIdentityRow()
    {
        TMainDataModule module;
        QVERIFY(module.OpenDatabase(m_good));
        QVERIFY(module.IsOpen());
        QVERIFY(module.IsEmpty());
        QVERIFY(!module.HasChanges());
        QCOMPARE(module.DescriptionDataSet->recordCount(), 1);
        QCOMPARE(module.DescriptionDataSetDESC_TABLE_PK->asInteger(), 1);
        QCOMPARE(module.DescriptionDataSetDEVICE_NAME->asString(), QString("VORN-1.0"));
        QCOMPARE(module.DescriptionDataSetDEVICE_DATA_VERSION->asInteger(), 65537);
        QVERIFY(module.DescriptionDataSetPROJECT_DESC->isNull());
        module.CloseDatabase();
        verifyClosed(module);
    }

    void isqlSeesTheSchemaAndThePaddedIdentity()
    {
        if (!isqlAvailable())
            QSKIP("isql-fb is not installed");
        const QString out =
            runIsql(m_good, "SELECT DESC_TABLE_PK, '[' || DEVICE_NAME || ']', DEVICE_DATA_VERSION, "
                            "PROJECT_DESC IS NULL FROM DESC_TABLE;\n"
                            "SELECT COUNT(*) FROM MSR_RESULT_TABLE;\n");
        QVERIFY2(out.contains("[VORN-1.0" + QString(24, ' ') + "]"), qPrintable(out));
        QVERIFY2(out.contains(QRegularExpression("\\b1\\s+\\[VORN-1.0\\s+\\]\\s+65537\\s+<true>")),
                 qPrintable(out));
        QVERIFY2(out.contains(QRegularExpression("COUNT\\s*=+\\s*0\\s")), qPrintable(out));

        const QString metadata = extractMetadata(m_good);
        QVERIFY2(metadata.contains("PAGE_SIZE 4096"), qPrintable(metadata));
        QVERIFY2(metadata.contains("DEFAULT CHARACTER SET ASCII"), qPrintable(metadata));
        QCOMPARE(metadata.count("CREATE TABLE"), 2);
        QCOMPARE(metadata.count("CREATE GENERATOR"), 2);
        QCOMPARE(metadata.count("CREATE TRIGGER"), 2);
        QCOMPARE(metadata.count("PRIMARY KEY"), 2);
        QVERIFY(!metadata.contains("CREATE INDEX"));
        QVERIFY(!metadata.contains("FOREIGN KEY"));
        QVERIFY(!metadata.contains("CREATE VIEW"));
        QVERIFY(!metadata.contains("CREATE PROCEDURE"));
    }

    // A file built by Firebird's own tool from the schema's statements is the reference: both
    // files must give the same extracted metadata, and each must open.
    void metadataEqualsAFileBuiltByIsql()
    {
        if (!isqlAvailable())
            QSKIP("isql-fb is not installed");
        const QString reference = pathOf("reference.fdb");
        QString script = "CREATE DATABASE '" + reference +
                         "' USER 'SYSDBA' PASSWORD 'tarnwheel' PAGE_SIZE = 4096 DEFAULT "
                         "CHARACTER SET ASCII;\nSET TERM ^ ;\n";
        for (const QString& statement :
             {QString("CREATE TABLE DESC_TABLE(DESC_TABLE_PK INTEGER NOT NULL PRIMARY "
                      "KEY,DEVICE_NAME CHAR(32),DEVICE_DATA_VERSION INTEGER,PROJECT_DESC BLOB "
                      "SUB_TYPE 0 SEGMENT SIZE 256)"),
              QString("CREATE GENERATOR DESC_TABLE_GEN"),
              QString("CREATE TRIGGER CREATE_DESC_RECORD FOR DESC_TABLE ACTIVE BEFORE INSERT "
                      "POSITION 0 AS BEGIN  if (NEW.DESC_TABLE_PK is null) then   "
                      "NEW.DESC_TABLE_PK = gen_id(DESC_TABLE_GEN, 1); END"),
              QString("INSERT INTO DESC_TABLE (DEVICE_NAME, DEVICE_DATA_VERSION) VALUES "
                      "('VORN-1.0',65537)"),
              QString("CREATE TABLE MSR_RESULT_TABLE(MSR_RESULT_TABLE_PK INTEGER NOT NULL "
                      "PRIMARY KEY,MSR_DATE TIMESTAMP,MSR_TIME TIMESTAMP,MSR_NUMBER "
                      "INTEGER,REINF_KIND_ID INTEGER,REINF_DIAMETER INTEGER,FORCE_ESTIMATE "
                      "INTEGER,BASE INTEGER,F FLOAT,P FLOAT,S FLOAT,MSR_COMMENT BLOB SUB_TYPE "
                      "0 SEGMENT SIZE 256)"),
              QString("CREATE GENERATOR MSR_RESULT_TABLE_GEN"),
              QString("CREATE TRIGGER CREATE_MSR_RESULT_RECORD FOR MSR_RESULT_TABLE ACTIVE "
                      "BEFORE INSERT POSITION 0 AS BEGIN  if (NEW.MSR_RESULT_TABLE_PK is "
                      "null) then   NEW.MSR_RESULT_TABLE_PK = gen_id(MSR_RESULT_TABLE_GEN, "
                      "1); END")})
            script += statement + "^\nCOMMIT^\n";
        QProcess isql;
        isql.setProcessChannelMode(QProcess::MergedChannels);
        isql.start("isql-fb", {"-q"});
        isql.write(script.toUtf8());
        isql.closeWriteChannel();
        QVERIFY(isql.waitForFinished(60000));
        QVERIFY2(QFile::exists(reference), isql.readAll().constData());

        auto normalised = [](const QString& path) {
            QString text = extractMetadata(path);
            text.remove(QRegularExpression("^.*CREATE DATABASE[^\\n]*\\n",
                                           QRegularExpression::MultilineOption));
            text.remove(
                QRegularExpression("^/\\*.*\\*/\\s*$", QRegularExpression::MultilineOption));
            return text;
        };
        QCOMPARE(normalised(m_good), normalised(reference));

        TMainDataModule module;
        QVERIFY(module.OpenDatabase(reference));
        QCOMPARE(module.DescriptionDataSetDEVICE_NAME->asString(), QString("VORN-1.0"));
    }

    // The generated statement texts, line by line as the datasets run them.
    void resultStatementsKeepTheirLayout()
    {
        TMainDataModule module;
        const QStringList insert = module.dsetVORN->insertSql().split('\n');
        QCOMPARE(insert.size(), 30);
        QCOMPARE(insert.mid(0, 3),
                 QStringList({"INSERT INTO MSR_RESULT_TABLE", "(", "  MSR_RESULT_TABLE_PK,"}));
        QCOMPARE(insert.mid(13, 5),
                 QStringList({"  MSR_COMMENT", ")", "VALUES", "(", "  ?MSR_RESULT_TABLE_PK, "}));
        QCOMPARE(insert.mid(28), QStringList({"  ?MSR_COMMENT", ")"}));
        const QStringList update = module.dsetVORN->updateSql().split('\n');
        QCOMPARE(update.size(), 16);
        QCOMPARE(update.mid(0, 3), QStringList({"UPDATE MSR_RESULT_TABLE", "SET ",
                                                "  MSR_RESULT_TABLE_PK = ?MSR_RESULT_TABLE_PK,"}));
        QCOMPARE(update.mid(12), QStringList({"  S = ?S,", "  MSR_COMMENT = ?MSR_COMMENT", "WHERE",
                                              "  MSR_RESULT_TABLE_PK = ?OLD_MSR_RESULT_TABLE_PK"}));
        QVERIFY(module.dsetVORN->refreshSql().endsWith("ORDER BY MSR_DATE, MSR_NUMBER DESC\n"));
    }

    void identityIsCheckedExactly_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("trailing control characters")
            << "UPDATE DESC_TABLE SET DEVICE_NAME = 'VORN-1.0' || ASCII_CHAR(9) || ASCII_CHAR(1);"
            << true;
        QTest::newRow("other letter case")
            << "UPDATE DESC_TABLE SET DEVICE_NAME = 'vorn-1.0';" << false;
        QTest::newRow("leading blank")
            << "UPDATE DESC_TABLE SET DEVICE_NAME = ' VORN-1.0';" << false;
        QTest::newRow("further character")
            << "UPDATE DESC_TABLE SET DEVICE_NAME = 'VORN-1.0x';" << false;
        QTest::newRow("other device") << "UPDATE DESC_TABLE SET DEVICE_NAME = 'VORN-2.0';" << false;
        QTest::newRow("null name") << "UPDATE DESC_TABLE SET DEVICE_NAME = NULL;" << false;
        QTest::newRow("version 65536")
            << "UPDATE DESC_TABLE SET DEVICE_DATA_VERSION = 65536;" << false;
        QTest::newRow("version 65538")
            << "UPDATE DESC_TABLE SET DEVICE_DATA_VERSION = 65538;" << false;
        QTest::newRow("null version")
            << "UPDATE DESC_TABLE SET DEVICE_DATA_VERSION = NULL;" << false;
        QTest::newRow("empty table") << "DELETE FROM DESC_TABLE;" << false;
        QTest::newRow("second row of another device")
            << "INSERT INTO DESC_TABLE (DEVICE_NAME, DEVICE_DATA_VERSION) VALUES ('X', 1);" << true;
        QTest::newRow("first row of another device")
            << "DELETE FROM DESC_TABLE; INSERT INTO DESC_TABLE (DEVICE_NAME, DEVICE_DATA_VERSION) "
               "VALUES ('X', 1); INSERT INTO DESC_TABLE (DEVICE_NAME, DEVICE_DATA_VERSION) VALUES "
               "('VORN-1.0', 65537);"
            << false;
        QTest::newRow("results table missing") << "DROP TABLE MSR_RESULT_TABLE;" << false;
        QTest::newRow("column missing") << "ALTER TABLE MSR_RESULT_TABLE DROP S;" << false;
        QTest::newRow("BIGINT number")
            << "ALTER TABLE MSR_RESULT_TABLE ALTER MSR_NUMBER TYPE BIGINT;" << false;
        QTest::newRow("BIGINT diameter")
            << "ALTER TABLE MSR_RESULT_TABLE ALTER REINF_DIAMETER TYPE BIGINT;" << false;
        QTest::newRow("VARCHAR force")
            << "ALTER TABLE MSR_RESULT_TABLE ALTER F TYPE VARCHAR(40);" << false;
        QTest::newRow("DOUBLE force")
            << "ALTER TABLE MSR_RESULT_TABLE DROP F; ALTER TABLE MSR_RESULT_TABLE ADD F DOUBLE "
               "PRECISION;"
            << false;
        QTest::newRow("NUMERIC version")
            << "ALTER TABLE DESC_TABLE ALTER DEVICE_DATA_VERSION TYPE NUMERIC(9,2);" << false;
        QTest::newRow("longer name")
            << "ALTER TABLE DESC_TABLE ALTER DEVICE_NAME TYPE CHAR(40);" << false;
        QTest::newRow("text comment")
            << "ALTER TABLE MSR_RESULT_TABLE DROP MSR_COMMENT; ALTER TABLE MSR_RESULT_TABLE ADD "
               "MSR_COMMENT BLOB SUB_TYPE 1;"
            << false;
    }

    void identityIsCheckedExactly()
    {
        if (!isqlAvailable())
            QSKIP("isql-fb is not installed");
        QFETCH(QString, change);
        QFETCH(bool, accepted);
        const QString path = freshProject("identity.fdb");
        QVERIFY(!path.isEmpty());
        const QString out = runIsql(path, change + "\nCOMMIT;\n");
        QVERIFY2(!out.contains("Statement failed"), qPrintable(out));

        const QString before = runIsql(path, "SELECT * FROM DESC_TABLE;\n") + extractMetadata(path);
        TMainDataModule module;
        QCOMPARE(module.OpenDatabase(path), accepted);
        if (!accepted) {
            verifyClosed(module);
            QCOMPARE(module.failureReason(), NotAProject);
            QCOMPARE(runIsql(path, "SELECT * FROM DESC_TABLE;\n") + extractMetadata(path), before);
            QVERIFY(module.OpenDatabase(m_good));
        }
    }

    void badFilesAreRefusedAndLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text file") << "text" << Damaged;
        QTest::newRow("empty file") << "empty" << Damaged;
        QTest::newRow("truncated project") << "truncated" << Damaged;
        QTest::newRow("folder") << "folder" << NotAProject;
        QTest::newRow("missing file") << "missing" << Missing;
        QTest::newRow("database of another schema") << "schema" << NotAProject;
        QTest::newRow("held open by another process") << "held" << InUse;
        QTest::newRow("read-only file") << "readonly" << NoPermission;
        QTest::newRow("no descriptor left") << "nofiles" << TooManyOpenFiles;
    }

    void badFilesAreRefusedAndLeftAlone()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString path = pathOf("bad-" + kind + ".fdb");
        std::optional<ProjectHolder> holder;
        if (kind == "text" || kind == "empty") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            if (kind == "text")
                file.write("This is not a project.\r\nЭто не проект.\r\n");
        } else if (kind == "truncated") {
            const QByteArray bytes = fileBytes(m_good);
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes.left(bytes.size() / 3));
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == "schema") {
            if (!isqlAvailable())
                QSKIP("isql-fb is not installed");
            runIsql(QString(), "CREATE DATABASE '" + path +
                                   "';\nCREATE TABLE T (A INTEGER);\n"
                                   "INSERT INTO T VALUES (1);\nCOMMIT;\n");
            QVERIFY(QFile::exists(path));
        } else if (kind == "held") {
            if (!isqlAvailable())
                QSKIP("isql-fb is not installed");
            QVERIFY(QFile::copy(m_good, path));
            holder.emplace(path);
            QVERIFY2(holder->attached(), holder->said().constData());
        } else if (kind == "readonly") {
            QVERIFY(QFile::copy(m_good, path));
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        } else if (kind == "nofiles") {
            QVERIFY(QFile::copy(m_good, path));
        }
        // The engine updates the header of any database it attaches, so a database is compared
        // by its content, anything else byte for byte.
        auto content = [&] {
            return kind == "schema" ? runIsql(path, "SELECT * FROM T;\n") + extractMetadata(path)
                                    : QString::fromLatin1(fileBytes(path).toHex());
        };
        const QString before = kind == "held" ? QString() : content();

        TMainDataModule module;
        std::optional<AllDescriptorsTaken> taken;
        if (kind == "nofiles")
            taken.emplace();
        const bool opened = module.OpenDatabase(path);
        taken.reset();
        QVERIFY(!opened);
        verifyClosed(module);
        QCOMPARE(module.failureReason(), reason);
        if (kind != "held")
            QCOMPARE(content(), before);
        QVERIFY(module.OpenDatabase(m_good));
        module.CloseDatabase();
    }

    void createRefusesWhatItCannotMake_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing folder") << "no-such-folder/x.fdb";
        QTest::newRow("existing file") << "good.fdb";
    }

    void createRefusesWhatItCannotMake()
    {
        QFETCH(QString, name);
        const QString path = pathOf(name);
        const QByteArray before = fileBytes(path);
        TMainDataModule module;
        QVERIFY(!module.CreateDatabase(path));
        verifyClosed(module);
        QCOMPARE(fileBytes(path), before);
    }

    // Create over a name in use: the old file gives way only to a complete project and stays
    // exactly as it was whenever the creation is refused; no hidden file is left either way.
    void createReplacingKeepsTheOldFileUnlessDone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("held open by another process") << "held" << InUse;
        QTest::newRow("folder name with a colon") << "colon" << ColonInName;
        QTest::newRow("folder under the name") << "folder" << FolderUnderName;
        QTest::newRow("link to nothing") << "dangling" << LinkToNothing;
        QTest::newRow("project with results") << "project" << QString();
        QTest::newRow("link to a project") << "link" << QString();
    }

    void createReplacingKeepsTheOldFileUnlessDone()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString folder =
            kind == "colon" ? dir.filePath("smb-share:server=lab,share=p") : dir.path();
        QVERIFY(QDir().mkpath(folder));
        const QString old = folder + "/old.fdb";
        QString chosen = old;
        if (kind == "folder") {
            QVERIFY(QDir().mkpath(old));
        } else if (kind == "dangling") {
            QVERIFY(QFile::link(folder + "/nowhere.fdb", old));
        } else {
            QVERIFY(QFile::copy(m_good, old));
            if (kind != "colon") {
                TMainDataModule filler;
                QVERIFY(filler.OpenDatabase(old));
                QVERIFY(filler.AddResult(SampleResults::distinct(1)));
                filler.SaveChanges();
                filler.CloseDatabase();
            }
        }
        if (kind == "link") {
            chosen = folder + "/link.fdb";
            QVERIFY(QFile::link(old, chosen));
        }
        std::optional<ProjectHolder> holder;
        if (kind == "held") {
            holder.emplace(old);
            QVERIFY2(holder->attached(), holder->said().constData());
        }
        const QByteArray before = QFileInfo(old).isFile() ? fileBytes(old) : QByteArray();

        TMainDataModule module;
        QCOMPARE(module.createReplacing(chosen), reason.isEmpty());
        QCOMPARE(module.failureReason(), reason);
        verifyClosed(module);
        if (reason.isEmpty()) {
            QCOMPARE(resultCount(chosen), 0);
            QCOMPARE(QFileInfo(chosen).isSymLink(), kind == "link");
        } else {
            QCOMPARE(QFileInfo(old).isFile() ? fileBytes(old) : QByteArray(), before);
        }
        const QStringList hidden = QDir(folder).entryList({"*.part"}, QDir::Files | QDir::Hidden);
        QVERIFY2(hidden.isEmpty(), qPrintable(hidden.join(u' ')));
    }

    void createTakesAnyFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("single quote") << "it's.fdb";
        QTest::newRow("quote and SQL") << "x.fdb' PAGE_SIZE = 16384 '";
        QTest::newRow("Cyrillic") << "Проект моста.fdb";
        QTest::newRow("blanks") << "a b  c.fdb";
    }

    void createTakesAnyFileName()
    {
        QFETCH(QString, name);
        const QString path = pathOf(name);
        QFile::remove(path);
        TMainDataModule module;
        QVERIFY(module.CreateDatabase(path));
        QVERIFY(QFile::exists(path));
        QVERIFY(module.OpenDatabase(path));
        TMsrResult r = SampleResults::distinct(1);
        QVERIFY(module.AddResult(r));
        module.SaveChanges();
        module.CloseDatabase();
        QVERIFY(module.OpenDatabase(path));
        QCOMPARE(module.dsetVORN->recordCount(), 1);
        module.CloseDatabase();
        if (isqlAvailable())
            QVERIFY(extractMetadata(path).contains("PAGE_SIZE 4096"));
    }
};

QTEST_GUILESS_MAIN(TestProjectFile)
#include "tst_ProjectFile.moc"
