#pragma once

#include "storage/fb/Transaction.h"

#include <QObject>

class FbDatabase;

// The one transaction of the connection: started on first use, never rolled back by the
// program; the connection commits it when it closes.
class FbTransaction : public QObject
{
    Q_OBJECT

public:
    FbTransaction(QObject* parent, const QString& name, FbDatabase* database);

    FbDatabase* Database() const { return m_database; }
    bool Active() const { return m_transaction.IsActive(); }
    void StartTransaction();
    void EnsureStarted();
    void Commit();
    void CommitRetaining();
    fb::Transaction& Handle() { return m_transaction; }

private:
    FbDatabase* m_database;
    fb::Transaction m_transaction;
};
