#include "tests/support/PrivateServer.h"

#include <QFile>

PrivateServer PrivateServer::fromEnvironment(const char* variable)
{
    PrivateServer server;
    server.dir = qEnvironmentVariable(variable);
    if (server.dir.isEmpty()) {
        server.problem = QStringLiteral("%1 is not set: run through ctest").arg(variable);
        return server;
    }
    QFile env(server.dir + QStringLiteral("/server.env"));
    if (!env.open(QIODevice::ReadOnly)) {
        server.problem = env.fileName() + QStringLiteral(": the server did not start");
        return server;
    }
    for (const QByteArray& line : env.readAll().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QString key = QString::fromUtf8(line.left(equals));
        const QString value = QString::fromUtf8(line.mid(equals + 1));
        if (key == u"PORT")
            server.port = value.toInt();
        else if (key.endsWith(QStringLiteral("_PASSWORD")))
            server.passwords.insert(key.chopped(9), value);
    }
    if (server.port == 0)
        server.problem = env.fileName() + QStringLiteral(" names no port");
    return server;
}

QString PrivateServer::url(const QString& name) const
{
    return QStringLiteral("inet://127.0.0.1:%1/%2").arg(port).arg(name);
}
