#pragma once

#include "storage/fb/Attachment.h"

#include <QObject>
#include <QStringList>

class FbTransaction;

// The connection component of the data module: database name, connection parameters and the
// attachment. Closing it ends its default transaction by commit.
class FbDatabase : public QObject
{
    Q_OBJECT

public:
    FbDatabase(QObject* parent, const QString& name);
    ~FbDatabase() override;

    // A name in the inet:// form goes to a server; see ServerProject.h.
    void setDbName(const QString& fileName) { m_dbName = fileName; }
    bool onServer() const;
    QString dbName() const { return m_dbName; }
    void setSqlDialect(int dialect) { m_dialect = dialect; }
    int sqlDialect() const { return m_dialect; }
    void clearParams();
    void setConnectParams(const QString& user, const QString& password, const QString& charset);
    // Lines appended to the CREATE DATABASE statement, each ended by CR LF.
    QStringList& creationParams() { return m_creationParams; }
    void setDefaultTransaction(FbTransaction* transaction) { m_transaction = transaction; }

    // The CREATE DATABASE statement equivalent to what CreateDatabase does for the current name
    // and creation parameters; single quotes in the name are doubled.
    QByteArray createStatement() const;
    // The creation parameters as the engine's create call takes them. On a server the database
    // is created with the connection's user and password, whose it then is.
    fb::Attachment::Params createParams() const;
    void createDatabase();
    void open();
    void close();
    // Deletes the file of the open database and closes the connection.
    void dropDatabase();
    bool connected() const { return m_attachment.isAttached(); }
    fb::Attachment& attachment() { return m_attachment; }

private:
    void checkName() const;

    QString m_dbName;
    int m_dialect = 3;
    QString m_user;
    QString m_password;
    QString m_charset;
    QStringList m_creationParams;
    FbTransaction* m_transaction = nullptr;
    fb::Attachment m_attachment;
};
