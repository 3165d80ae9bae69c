#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/SampleResults.h"

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace StorageTest;

namespace {

const QString WrongLogin = QStringLiteral("Неверное имя пользователя или пароль.");
const QString NoEncryption =
    QStringLiteral("Сервер не шифрует соединение; без шифрования проект не открывается.");
const QString NoProjectRights = QStringLiteral("Нет прав доступа к проекту.");
const QString ServerUnreachable = QStringLiteral("Сервер проекта не отвечает.");
const QString NoServerAccount =
    QStringLiteral("Для проекта на сервере нужны имя пользователя и пароль.");
const QString Missing = QStringLiteral("Файл или папка не найдены.");
const QString ColonInName =
    QStringLiteral("Имя файла проекта или его папки не может содержать двоеточие.");

// A loopback port that nothing listens on: bound, then let go.
int closedPort()
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(socket, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    close(socket);
    return ntohs(address.sin_port);
}

} // namespace

// Projects on a Firebird server through the data module: the user's own account, an
// encrypted link, and the reasons a server gives for refusing.
class TestServerProjects : public QObject
{
    Q_OBJECT

private:
    PrivateServer m_server;
    PrivateServer m_plain;
    QString m_annasProject;

    ServerAccount account(const QString& user) const { return {user, m_server.password(user)}; }

private slots:
    void initTestCase()
    {
        prepareEngine();
        m_server = PrivateServer::fromEnvironment("VORN_TEST_SERVER");
        QVERIFY2(m_server.usable(), qPrintable(m_server.problem));
        m_plain = PrivateServer::fromEnvironment("VORN_TEST_PLAIN_SERVER");
        QVERIFY2(m_plain.usable(), qPrintable(m_plain.problem));
        m_annasProject = m_server.url("annas.fdb");
        TMainDataModule module;
        module.setServerAccount(account("ANNA"));
        QVERIFY2(module.CreateDatabase(m_annasProject), qPrintable(module.failureReason()));
    }

    void ownerSavesAndReadsBack()
    {
        const QString project = m_server.url("saved.fdb");
        {
            TMainDataModule module;
            module.setServerAccount(account("BORIS"));
            QVERIFY2(module.CreateDatabase(project), qPrintable(module.failureReason()));
            QVERIFY2(module.OpenDatabase(project), qPrintable(module.failureReason()));
            {
                TMainDataModule::UpdateScope update(module);
                for (int n = 1; n <= 3; ++n)
                    QVERIFY(module.AddResult(SampleResults::distinct(n)));
            }
            module.SaveChanges();
            module.CloseDatabase();
        }
        TMainDataModule module;
        module.setServerAccount(account("BORIS"));
        QVERIFY2(module.OpenDatabase(project), qPrintable(module.failureReason()));
        QCOMPARE(module.dsetVORN->recordCount(), 3);
        QCOMPARE(module.storedResultsSummary().count, 3);
        TMsrResult stored;
        module.dsetVORN->first();
        QCOMPARE(module.LoadRecord(stored), 0);
        QCOMPARE(stored.MsrNumber, SampleResults::distinct(1).MsrNumber);
        // A second create on the same name leaves the stored results alone.
        TMainDataModule other;
        other.setServerAccount(account("BORIS"));
        QVERIFY(!other.CreateDatabase(project));
        QCOMPARE(module.storedResultsSummary().count, 3);
    }

    void refused_data()
    {
        QTest::addColumn<QString>("server"); // encrypted, plain or closed
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("create");
        QTest::addColumn<QString>("reason");
        QTest::newRow("wrong password") << "encrypted"
                                        << "annas.fdb"
                                        << "ANNA"
                                        << "wrong" << false << WrongLogin;
        QTest::newRow("unknown user") << "encrypted"
                                      << "annas.fdb"
                                      << "NOBODY"
                                      << "secret" << false << WrongLogin;
        QTest::newRow("another user's project") << "encrypted"
                                                << "annas.fdb"
                                                << "BORIS"
                                                << "" << false << NoProjectRights;
        QTest::newRow("no such project") << "encrypted"
                                         << "nothing.fdb"
                                         << "ANNA"
                                         << "" << false << Missing;
        QTest::newRow("path the server does not serve") << "encrypted"
                                                        << "/etc/passwd"
                                                        << "ANNA"
                                                        << "" << false << NoProjectRights;
        QTest::newRow("create without the right") << "encrypted"
                                                  << "veras.fdb"
                                                  << "VERA"
                                                  << "" << true << NoProjectRights;
        QTest::newRow("server without encryption, open") << "plain"
                                                         << "annas.fdb"
                                                         << "ANNA"
                                                         << "" << false << NoEncryption;
        QTest::newRow("server without encryption, create") << "plain"
                                                           << "new.fdb"
                                                           << "ANNA"
                                                           << "" << true << NoEncryption;
        QTest::newRow("no server on the port") << "closed"
                                               << "annas.fdb"
                                               << "ANNA"
                                               << "" << false << ServerUnreachable;
        QTest::newRow("no account, open") << "encrypted"
                                          << "annas.fdb"
                                          << ""
                                          << "" << false << NoServerAccount;
        QTest::newRow("no account, create") << "encrypted"
                                            << "other.fdb"
                                            << ""
                                            << "" << true << NoServerAccount;
    }

    void refused()
    {
        QFETCH(QString, server);
        QFETCH(QString, project);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, create);
        QFETCH(QString, reason);
        const PrivateServer& chosen = server == u"plain" ? m_plain : m_server;
        QString name = chosen.url(project);
        if (server == u"closed")
            name = QStringLiteral("inet://127.0.0.1:%1/%2").arg(closedPort()).arg(project);
        // A known user without a password of the row's own gets the right one.
        if (password.isEmpty() && !user.isEmpty())
            password = chosen.password(user);
        TMainDataModule module;
        module.setServerAccount({user, password});
        const bool done = create ? module.CreateDatabase(name) : module.OpenDatabase(name);
        QVERIFY(!done);
        QCOMPARE(module.failureReason(), reason);
        QVERIFY(!module.IsOpen());
        QVERIFY(!module.MainDatabase->connected());
    }

    void localNameWithColonStaysRefused()
    {
        TMainDataModule module;
        module.setServerAccount(account("ANNA"));
        QVERIFY(!module.OpenDatabase(QStringLiteral("127.0.0.1:%1/annas.fdb").arg(m_server.port)));
        QCOMPARE(module.failureReason(), ColonInName);
    }
};

QTEST_GUILESS_MAIN(TestServerProjects)
#include "tst_ServerProjects.moc"
