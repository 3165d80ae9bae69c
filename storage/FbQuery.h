#pragma once

#include <QObject>
#include <QString>

class TFbTransaction;

// A statement component bound to the connection's transaction; runs texts without parameters.
class TFbQuery : public QObject
{
    Q_OBJECT

public:
    TFbQuery(QObject* parent, const QString& name, TFbTransaction* transaction);

    void SetSQL(const QString& sql) { m_sql = sql; }
    QString SQL() const { return m_sql; }
    void ExecQuery();

private:
    TFbTransaction* m_transaction;
    QString m_sql;
};
