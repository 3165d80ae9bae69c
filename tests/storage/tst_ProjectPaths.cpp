#include "storage/TMainDataModule.h"
#include "storage/fb/Attachment.h"
#include "storage/fb/Error.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/SampleResults.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>

using namespace StorageTest;

// Names the engine could misread: letters outside ASCII under the C locale, and a ':' that
// would name a server and send the program onto the network.
class TestProjectPaths : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        prepareEngine();
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(m_dir.filePath("Мосты")));
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void lettersBeyondAsciiUnderTheCLocale_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("Cyrillic name") << "Проект моста.fdb";
        QTest::newRow("Cyrillic folder") << "Мосты/опора 3.fdb";
    }

    void lettersBeyondAsciiUnderTheCLocale()
    {
        QFETCH(QString, name);
        const QString path = m_dir.filePath(name);
        TMainDataModule module;
        QVERIFY(module.CreateDatabase(path));
        QVERIFY(module.OpenDatabase(path));
        QVERIFY(module.AddResult(SampleResults::distinct(7)));
        module.SaveChanges();
        module.CloseDatabase();
        QVERIFY(module.OpenDatabase(path));
        QCOMPARE(module.dsetVORN->recordCount(), 1);
        module.CloseDatabase();
    }

    // The embedded engine refuses a name with ':' (it takes the part before it for a server);
    // the program says so instead of connecting anywhere.
    void colonNamesNeverReachTheNetwork_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("time in the name") << m_dir.filePath("bridge 12:30.fdb");
        QTest::newRow("address and file") << "127.0.0.1:x.fdb";
        QTest::newRow("address and port") << "127.0.0.1/3050:y.fdb";
    }

    void colonNamesNeverReachTheNetwork()
    {
        QFETCH(QString, name);
        const int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        QVERIFY(listener >= 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(3050);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int one = 1;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener, 4) != 0) {
            close(listener);
            QSKIP("port 3050 is taken");
        }
        TMainDataModule module;
        QVERIFY(!module.CreateDatabase(name));
        QCOMPARE(module.failureReason(),
                 QStringLiteral("Имя файла проекта или его папки не может содержать двоеточие."));
        QVERIFY(!module.OpenDatabase(name));
        QVERIFY(!QFile::exists(name));
        bool reached = false;
        for (const bool create : {false, true}) {
            fb::Attachment::Params params;
            params.user = "SYSDBA";
            params.password = "x";
            try {
                const std::string utf8 = name.toStdString();
                fb::Attachment attachment = create ? fb::Attachment::create(utf8, params)
                                                   : fb::Attachment::attach(utf8, params);
                reached = true;
            } catch (const fb::FbError&) {
            }
        }
        const int peer = accept(listener, nullptr, nullptr);
        if (peer >= 0)
            close(peer);
        close(listener);
        QVERIFY2(peer < 0, "the engine connected to 127.0.0.1:3050");
        QVERIFY(!reached);
    }
};

int main(int argc, char* argv[])
{
    // As on a machine with LANG unset: the C library's locale knows no letters beyond ASCII.
    setenv("LC_ALL", "C", 1);
    unsetenv("LANG");
    std::setlocale(LC_ALL, "");
    QCoreApplication app(argc, argv);
    TestProjectPaths test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ProjectPaths.moc"
