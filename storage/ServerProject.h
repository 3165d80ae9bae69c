#pragma once

#include <QString>

// A project on a Firebird server, named in the engine's own URL form inet://HOST[:PORT]/NAME,
// where NAME is an alias of the server's databases.conf or a path on the server. Such a name is
// no local file: the checks made for files (probe, identity, existence) do not apply to it.
inline bool isServerProjectName(const QString& name)
{
    return name.startsWith(QStringLiteral("inet://"), Qt::CaseInsensitive);
}

// Whether the embedded engine would take the part of a local name before a ':' for a server,
// and refuse the name; a Windows drive's colon is no such part.
inline bool hasServerPart(const QString& localName)
{
    qsizetype colon = localName.indexOf(u':');
#ifdef Q_OS_WIN
    if (colon == 1)
        colon = localName.indexOf(u':', 2);
#endif
    return colon >= 0;
}

// Whom the server knows: a server project is reached with the user's own account, not with the
// fixed account of the project files.
struct ServerAccount
{
    QString user;
    QString password;
};
