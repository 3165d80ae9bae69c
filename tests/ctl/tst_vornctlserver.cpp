// vornctl on projects of a private Firebird server, named inet://HOST:PORT/NAME.
#include "tests/ctl/VornctlRun.h"
#include "tests/support/PrivateServer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

VornctlOptions loggedIn(const QString& user, const QString& password)
{
    VornctlOptions options;
    options.environment.remove(QStringLiteral("ISC_USER"));
    options.environment.remove(QStringLiteral("ISC_PASSWORD"));
    if (!user.isEmpty())
        options.environment.insert(QStringLiteral("ISC_USER"), user);
    if (!password.isEmpty())
        options.environment.insert(QStringLiteral("ISC_PASSWORD"), password);
    return options;
}

} // namespace

class TestVornctlServer : public QObject
{
    Q_OBJECT

    PrivateServer m_server;
    PrivateServer m_plain;
    QTemporaryDir m_dir;
    QString m_project;

    VornctlOptions as(const QString& user) const { return loggedIn(user, m_server.password(user)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_server = PrivateServer::fromEnvironment("VORN_TEST_SERVER");
        QVERIFY2(m_server.usable(), qPrintable(m_server.problem));
        m_plain = PrivateServer::fromEnvironment("VORN_TEST_PLAIN_SERVER");
        QVERIFY2(m_plain.usable(), qPrintable(m_plain.problem));
        m_project = m_server.url(QStringLiteral("bridge.fdb"));
        const VornctlRun read =
            runVornctl({QStringLiteral("--demo"), QStringLiteral("read"), m_project}, as("ANNA"));
        QVERIFY2(read.exitCode == 0, qPrintable(read.err));
        QCOMPARE(read.out, QByteArray("Считано результатов: 123, добавлено: 120\n"));
    }

    void commandsTakeTheServerName_data()
    {
        QTest::addColumn<QStringList>("arguments"); // PROJECT and OUT stand for the names
        QTest::addColumn<QByteArray>("expected");   // in stdout, or at the start of OUT
        QTest::newRow("info") << QStringList{"info", "PROJECT"} << QByteArray("Результатов: 120\n");
        QTest::newRow("list") << QStringList{"list", "PROJECT"} << QByteArray("date_time\tnumber");
        QTest::newRow("export") << QStringList{"export", "PROJECT", "OUT"} << QByteArray();
        QTest::newRow("report") << QStringList{"report", "PROJECT", "OUT"} << QByteArray("%PDF");
        QTest::newRow("read again") << QStringList{"--demo", "read", "PROJECT"}
                                    << QByteArray("Считано результатов: 123, добавлено: 0\n");
    }

    void commandsTakeTheServerName()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const QString out = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        arguments.replaceInStrings(QStringLiteral("PROJECT"), m_project);
        arguments.replaceInStrings(QStringLiteral("OUT"), out);
        const VornctlRun run = runVornctl(arguments, as("ANNA"));
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        if (arguments.contains(out)) {
            QFile file(out);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray written = file.readAll();
            QVERIFY(written.size() > 1000);
            QVERIFY(written.startsWith(expected));
        } else if (arguments[0] == u"list") {
            QVERIFY(run.out.startsWith(expected));
            QCOMPARE(run.out.count('\n'), 121);
        } else {
            QVERIFY2(run.out.contains(expected), run.out.constData());
        }
    }

    void refused_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("server"); // encrypted or plain
        QTest::addColumn<QString>("project");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password"); // empty: the user's own
        QTest::addColumn<QString>("reason");
        QTest::newRow("wrong password") << "info"
                                        << "encrypted"
                                        << "bridge.fdb"
                                        << "ANNA"
                                        << "wrong"
                                        << "неверное имя пользователя или пароль";
        QTest::newRow("another user's project") << "list"
                                                << "encrypted"
                                                << "bridge.fdb"
                                                << "BORIS"
                                                << ""
                                                << "нет прав доступа к проекту";
        QTest::newRow("read without the right to create") << "read"
                                                          << "encrypted"
                                                          << "veras.fdb"
                                                          << "VERA"
                                                          << ""
                                                          << "нет прав доступа к проекту";
        QTest::newRow("server without encryption")
            << "info"
            << "plain"
            << "bridge.fdb"
            << "ANNA"
            << ""
            << "сервер не шифрует соединение; без шифрования проект не открывается";
        QTest::newRow("no account and no terminal")
            << "info"
            << "encrypted"
            << "bridge.fdb"
            << ""
            << ""
            << "Для проекта на сервере задайте имя пользователя и пароль в переменных ISC_USER и "
               "ISC_PASSWORD или запустите команду в терминале.";
    }

    void refused()
    {
        QFETCH(QString, command);
        QFETCH(QString, server);
        QFETCH(QString, project);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, reason);
        const PrivateServer& chosen = server == u"plain" ? m_plain : m_server;
        if (password.isEmpty() && !user.isEmpty())
            password = chosen.password(user);
        QStringList arguments{command, chosen.url(project)};
        if (command == u"read")
            arguments.prepend(QStringLiteral("--demo"));
        const VornctlRun run = runVornctl(arguments, loggedIn(user, password));
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(reason), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        // The password given never shows in what the tool says.
        if (!password.isEmpty())
            QVERIFY(!run.err.contains(password));
    }
};

QTEST_GUILESS_MAIN(TestVornctlServer)
#include "tst_vornctlserver.moc"
