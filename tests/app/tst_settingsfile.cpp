#include "app/SettingsFile.h"
#include "common/Windows1251.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <atomic>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens the pipe's other end after a while and writes settings into it, so that a reader
// that waits for a writer comes back late and with values that are not the defaults.
class LateWriter
{
public:
    explicit LateWriter(const QString& fifo)
        : m_thread([this, name = QFile::encodeName(fifo)] {
              for (int waited = 0; !m_done; waited += 50) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
                  const int fd =
                      waited < 2000 ? -1 : ::open(name.constData(), O_WRONLY | O_NONBLOCK);
                  if (fd >= 0) {
                      const char text[] = "[Processing]\nMeasurand=1\n";
                      [[maybe_unused]] const auto written = ::write(fd, text, sizeof text - 1);
                      ::close(fd);
                  }
              }
          })
    {
    }
    ~LateWriter()
    {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// What the process writes on stderr while it lives.
class CapturedStderr
{
public:
    CapturedStderr() : m_saved(::dup(STDERR_FILENO))
    {
        m_file.open();
        std::fflush(stderr);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~CapturedStderr() { restore(); }
    QString text()
    {
        restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved;
};

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    void write(const QByteArray& bytes)
    {
        QFile f(m_path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray read()
    {
        QFile f(m_path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("vorn.ini"));
        QFile::remove(m_path);
    }

    void parseInteger_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << QByteArray("7") << 7;
        QTest::newRow("negative") << QByteArray("-12") << -12;
        QTest::newRow("plus sign") << QByteArray("+5") << 5;
        QTest::newRow("spaces around") << QByteArray("  42 ") << 42;
        QTest::newRow("0x hex") << QByteArray("0x0000FF") << 255;
        QTest::newRow("0X hex") << QByteArray("0X1f") << 31;
        QTest::newRow("dollar hex") << QByteArray("$FF") << 255;
        QTest::newRow("hex wraps to sign") << QByteArray("$FFFFFFFF") << -1;
        QTest::newRow("lowest") << QByteArray("-2147483648") << int(INT32_MIN);
        QTest::newRow("letters") << QByteArray("abc") << -99;
        QTest::newRow("empty") << QByteArray("") << -99;
        QTest::newRow("trailing letters") << QByteArray("12abc") << -99;
        QTest::newRow("0x without digits") << QByteArray("0x") << -99;
        QTest::newRow("dollar alone") << QByteArray("$") << -99;
        QTest::newRow("bad hex digit") << QByteArray("$FG") << -99;
        QTest::newRow("decimal too big") << QByteArray("2147483648") << -99;
        QTest::newRow("hex too big") << QByteArray("$100000000") << -99;
        QTest::newRow("sign alone") << QByteArray("-") << -99;
        QTest::newRow("float") << QByteArray("1.5") << -99;
    }
    void parseInteger()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        QCOMPARE(SettingsFile::parseInteger(text, -99), expected);
    }

    void missingFileGivesDefaultsAndSaveWritesAllKeys()
    {
        SettingsFile file(m_path);
        const VornSettings s = file.load();
        QVERIFY(s.ProjectName.isEmpty());
        QVERIFY(s.ProjectPath.isEmpty());
        QCOMPARE(s.InkColor, 0);
        QCOMPARE(s.BackgroundColor, 16777215);
        QCOMPARE(s.Measurand, 0);
        QCOMPARE(s.LoadUnit, 0);
        file.save(s);
        const QByteArray written = read();
        const QList<QByteArray> lines = written.split('\n');
        QStringList meaningful;
        for (const QByteArray& line : lines)
            if (!line.trimmed().isEmpty())
                meaningful << QString::fromLatin1(line);
        QCOMPARE(meaningful,
                 QStringList({"[General]", "LastProject=", "ProjectPath=", "[DeviceScreenShot]",
                              "InkColor=0", "BackgroundColor=16777215", "[Processing]",
                              "Measurand=0", "LoadUnit=0"}));
    }

    void valuesAreReadAndWrittenBack()
    {
        write("[General]\r\nLastProject=/home/u/bridge.fdb\r\nProjectPath=/home/u/\r\n"
              "[DeviceScreenShot]\r\nInkColor=0x0000FF\r\nBackgroundColor=abc\r\n"
              "[Processing]\r\nMeasurand=7\r\nLoadUnit=\r\n");
        SettingsFile file(m_path);
        const VornSettings s = file.load();
        QCOMPARE(s.ProjectName, QStringLiteral("/home/u/bridge.fdb"));
        QCOMPARE(s.ProjectPath, QStringLiteral("/home/u/"));
        QCOMPARE(s.InkColor, 255);
        QCOMPARE(s.BackgroundColor, 16777215);
        QCOMPARE(s.Measurand, 7);
        QCOMPARE(s.LoadUnit, 0);
        file.save(s);
        const QByteArray written = read();
        QVERIFY(written.contains("InkColor=255\n"));
        QVERIFY(written.contains("Measurand=7\n"));
        QVERIFY(written.contains("LoadUnit=0\n"));
        QVERIFY(written.contains("BackgroundColor=16777215\n"));
    }

    void keyInOtherCaseIsFoundAndKept()
    {
        write("[general]\nlastproject=/p/a.fdb\n[PROCESSING]\nMEASURAND=1\n");
        SettingsFile file(m_path);
        VornSettings s = file.load();
        QCOMPARE(s.ProjectName, QStringLiteral("/p/a.fdb"));
        QCOMPARE(s.Measurand, 1);
        s.ProjectName = QStringLiteral("/p/b.fdb");
        s.Measurand = 0;
        file.save(s);
        const QByteArray written = read();
        QVERIFY(written.contains("lastproject=/p/b.fdb\n"));
        QVERIFY(written.contains("MEASURAND=0\n"));
        QVERIFY(!written.contains("LastProject"));
        QVERIFY(!written.contains("[General]"));
        QCOMPARE(written.count("Measurand=") + written.count("MEASURAND="), 1);
    }

    void otherContentIsKept()
    {
        write("; settings of VORN\n\n[General]\n; the last project\nLastProject=/a.fdb\n"
              "Extra=keep me\n\n[Foreign]\nAnswer=42\n\n[Processing]\nLoadUnit=1\n"
              "; closing remark\n");
        SettingsFile file(m_path);
        VornSettings s = file.load();
        file.save(s);
        const QByteArray written = read();
        for (const char* kept : {"; settings of VORN", "; the last project", "Extra=keep me",
                                 "[Foreign]", "Answer=42", "; closing remark", "LoadUnit=1"})
            QVERIFY2(written.contains(kept), kept);
        // A missing key goes to the end of its section, not to another section.
        const qsizetype projectPath = written.indexOf("ProjectPath=");
        QVERIFY(projectPath > written.indexOf("Extra=keep me"));
        QVERIFY(projectPath < written.indexOf("[Foreign]"));
        QVERIFY(written.indexOf("Measurand=0") > written.indexOf("[Processing]"));
        QVERIFY(written.indexOf("[DeviceScreenShot]") > written.indexOf("[Processing]"));
        QCOMPARE(written.count("; closing remark"), 1);
    }

    void textsAreWindows1251()
    {
        const QString path = QStringLiteral("/home/u/Проекты/мост.fdb");
        write("[General]\nLastProject=" + Windows1251::encode(path) + "\n");
        SettingsFile file(m_path);
        VornSettings s = file.load();
        QCOMPARE(s.ProjectName, path);
        s.ProjectPath = QStringLiteral("/home/u/Проекты/");
        file.save(s);
        const QByteArray written = read();
        QVERIFY(written.contains("LastProject=" + Windows1251::encode(path) + "\n"));
        QVERIFY(written.contains("ProjectPath=" + Windows1251::encode(s.ProjectPath) + "\n"));
    }

    void textOutsideWindows1251SurvivesTheRoundTrip()
    {
        SettingsFile file(m_path);
        VornSettings s;
        s.ProjectName = QStringLiteral("/home/ü/日本/a.fdb");
        file.save(s);
        QCOMPARE(file.load().ProjectName, s.ProjectName);
    }

    void longTextIsCut()
    {
        const QByteArray longPath(3000, 'a');
        write("[General]\nProjectPath=" + longPath + "\n");
        QCOMPARE(SettingsFile(m_path).load().ProjectPath.size(), SettingsFile::MaxTextLength);
    }

    // A path holding a line break would come back cut, with keys of its own.
    void textThatCannotComeBackIsNotStored_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("stored");
        QTest::newRow("plain") << QStringLiteral("/home/u/мост 12.fdb") << true;
        QTest::newRow("line feed")
            << QStringLiteral("/home/u/a\n[Processing]\nMeasurand=9\n.fdb") << false;
        QTest::newRow("carriage return") << QStringLiteral("/home/u/a\rLoadUnit=1.fdb") << false;
        QTest::newRow("trailing space") << QStringLiteral("/home/u/a.fdb ") << false;
        QTest::newRow("leading tab") << QStringLiteral("\t/home/u/a.fdb") << false;
        QTest::newRow("too long") << QStringLiteral("/") +
                                         QString(SettingsFile::MaxTextLength, u'a')
                                  << false;
    }
    void textThatCannotComeBackIsNotStored()
    {
        QFETCH(QString, text);
        QFETCH(bool, stored);
        SettingsFile file(m_path);
        VornSettings s;
        s.ProjectName = text;
        s.ProjectPath = text;
        s.Measurand = 1;
        file.save(s);
        const VornSettings back = file.load();
        QCOMPARE(back.ProjectName, stored ? text : QString());
        QCOMPARE(back.ProjectPath, stored ? text : QString());
        QCOMPARE(back.Measurand, 1);
        QCOMPARE(back.LoadUnit, 0);
        const QByteArray written = read();
        QCOMPARE(written.count('['), stored ? 3 + text.count(u'[') : 3);
        QCOMPARE(written.split('\n').count(QByteArray()) + 9, written.split('\n').size());
    }

    // Lines are kept as text: a carriage return inside a comment neither ends the comment nor
    // moves it, and what the program adds goes where the file's own keys are.
    void commentLinesStayAsTheyAre_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("measurand");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray added = "[General]\nLastProject=\nProjectPath=\n[DeviceScreenShot]\n"
                                 "InkColor=0\nBackgroundColor=16777215\n";
        QTest::newRow("lone CR in a comment")
            << QByteArray("[Processing]\n#\rMeasuRand=16\nLoadUnit=1\n; end\n") << 0
            << "[Processing]\n#\rMeasuRand=16\nLoadUnit=1\nMeasurand=0\n; end\n" + added;
        QTest::newRow("lone CR after a key")
            << QByteArray("[Processing]\r\nMeasurand=3\r\n;\rMeasurand=16\r\n") << 3
            << "[Processing]\nMeasurand=3\nLoadUnit=0\n;\rMeasurand=16\n" + added;
        QTest::newRow("comment last, no final newline")
            << QByteArray("[Processing]\nMeasurand=2\n# last") << 2
            << "[Processing]\nMeasurand=2\nLoadUnit=0\n# last\n" + added;
    }
    void commentLinesStayAsTheyAre()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, measurand);
        QFETCH(QByteArray, expected);
        write(content);
        SettingsFile file(m_path);
        for (int round = 0; round < 2; ++round) {
            const VornSettings s = file.load();
            QCOMPARE(s.Measurand, measurand);
            file.save(s);
            QCOMPARE(read(), expected);
        }
    }

    void unwritableFileRaisesAndStaysUnchanged()
    {
        write("[Processing]\nMeasurand=1\n");
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadUser);
        const bool stillWritable = QFileInfo(m_path).isWritable(); // root ignores permissions
        if (stillWritable) {
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
            QFile::remove(m_path);
            QVERIFY(QDir().mkdir(m_path));
        }
        SettingsFile file(m_path);
        VornSettings s;
        try {
            file.save(s);
            QFAIL("save did not raise");
        } catch (const std::runtime_error& e) {
            const QString text = QString::fromUtf8(e.what());
            QVERIFY2(text.startsWith(QStringLiteral("Не удалось сохранить настройки в файл ") +
                                     m_path + u':'),
                     qPrintable(text));
        }
        if (stillWritable) {
            QDir().rmdir(m_path);
        } else {
            QCOMPARE(read(), QByteArray("[Processing]\nMeasurand=1\n"));
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
        }
    }

    // A named pipe in the settings file's place: neither the start nor the exit waits for a
    // writer, the defaults hold, the pipe stays, and the user is told once.
    void namedPipeIsNeitherReadNorWritten_data()
    {
        QTest::addColumn<bool>("throughLink");
        QTest::newRow("pipe") << false;
        QTest::newRow("link to a pipe") << true;
    }

    void namedPipeIsNeitherReadNorWritten()
    {
        QFETCH(bool, throughLink);
        const QString fifo = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        if (throughLink)
            QVERIFY(QFile::link(fifo, m_path));
        const QString path = throughLink ? m_path : fifo;
        const LateWriter writer(fifo);
        CapturedStderr err;
        QElapsedTimer timer;
        timer.start();
        SettingsFile file(path);
        VornSettings s = file.load();
        const qint64 loadMs = timer.restart();
        s.Measurand = 1;
        file.save(s);
        file.save(s);
        const qint64 saveMs = timer.elapsed();
        const QString said = err.text();
        QVERIFY2(loadMs < 1000, qPrintable(QString::number(loadMs)));
        QVERIFY2(saveMs < 1000, qPrintable(QString::number(saveMs)));
        QCOMPARE(file.load().Measurand, 0);
        struct stat status = {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
        QVERIFY(S_ISFIFO(status.st_mode));
        QCOMPARE(said, QStringLiteral("Файл настроек %1 не является обычным файлом: настройки из "
                                      "него не читаются и в него не сохраняются.\n")
                           .arg(path));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
