#include "storage/FbTransaction.h"

#include "storage/FbDatabase.h"
#include "storage/StorageError.h"

FbTransaction::FbTransaction(QObject* parent, const QString& name, FbDatabase* database)
    : QObject(parent), m_database(database)
{
    setObjectName(name);
}

void FbTransaction::StartTransaction()
{
    if (!m_database->Connected())
        throw StorageError("The database is not connected");
    m_transaction = fb::Transaction::StartReadCommitted(m_database->Attachment());
}

void FbTransaction::EnsureStarted()
{
    if (!Active())
        StartTransaction();
}

void FbTransaction::Commit()
{
    m_transaction.Commit();
}

void FbTransaction::CommitRetaining()
{
    m_transaction.CommitRetaining();
}
