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

    FbDatabase* database() const { return m_database; }
    bool active() const { return m_transaction.isActive(); }
    void startTransaction();
    void ensureStarted();
    void commit();
    void commitRetaining();
    fb::Transaction& handle() { return m_transaction; }

private:
    FbDatabase* m_database;
    fb::Transaction m_transaction;
};
