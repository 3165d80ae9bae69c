#pragma once

#include <QMap>
#include <QString>

// A private Firebird server started for this test run by tests/server/private-server.sh, as
// its server.env in the folder named by an environment variable describes it.
struct PrivateServer
{
    QString dir;
    int port = 0;
    QMap<QString, QString> passwords; // ANNA and BORIS may create databases, VERA may not
    QString problem;                  // why the server is unusable; empty when it is usable

    static PrivateServer fromEnvironment(const char* variable = "VORN_TEST_SERVER");
    bool usable() const { return problem.isEmpty(); }
    // A project on this server: NAME resolves in the server's folder.
    QString url(const QString& name) const;
    QString password(const QString& user) const { return passwords.value(user); }
};
