#include "storage/FbTransaction.h"

#include "storage/FbDatabase.h"
#include "storage/StorageError.h"

FbTransaction::FbTransaction(QObject* parent, const QString& name, FbDatabase* database)
    : QObject(parent), m_database(database)
{
    setObjectName(name);
}

void FbTransaction::startTransaction()
{
    if (!m_database->connected())
        throw StorageError("The database is not connected");
    m_transaction = fb::Transaction::startReadCommitted(m_database->attachment());
}

void FbTransaction::ensureStarted()
{
    if (!active())
        startTransaction();
}

void FbTransaction::commit()
{
    m_transaction.commit();
}

void FbTransaction::commitRetaining()
{
    m_transaction.commitRetaining();
}
