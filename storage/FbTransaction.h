#pragma once

#include "storage/fb/Transaction.h"

#include <QObject>

class TFbDatabase;

// The one transaction of the connection: started on first use, never rolled back by the
// program; the connection commits it when it closes.
class TFbTransaction : public QObject
{
    Q_OBJECT

public:
    TFbTransaction(QObject* parent, const QString& name, TFbDatabase* database);

    TFbDatabase* Database() const { return m_database; }
    bool Active() const { return m_transaction.IsActive(); }
    void StartTransaction();
    void EnsureStarted();
    void Commit();
    void CommitRetaining();
    fb::Transaction& Handle() { return m_transaction; }

private:
    TFbDatabase* m_database;
    fb::Transaction m_transaction;
};
