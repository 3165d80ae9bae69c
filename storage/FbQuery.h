#pragma once

#include <QObject>
#include <QString>

class FbTransaction;

// A statement component bound to the connection's transaction; runs texts without parameters.
class FbQuery : public QObject
{
    Q_OBJECT

public:
    FbQuery(QObject* parent, const QString& name, FbTransaction* transaction);

    void setSql(const QString& sql) { m_sql = sql; }
    QString sql() const { return m_sql; }
    void execQuery();

private:
    FbTransaction* m_transaction;
    QString m_sql;
};
