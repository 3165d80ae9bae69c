#include "storage/FbTransaction.h"

#include "storage/FbDatabase.h"
#include "storage/StorageError.h"

TFbTransaction::TFbTransaction(QObject* parent, const QString& name, TFbDatabase* database)
    : QObject(parent), m_database(database)
{
    setObjectName(name);
}

void TFbTransaction::StartTransaction()
{
    if (!m_database->Connected())
        throw StorageError("The database is not connected");
    m_transaction = fb::Transaction::StartReadCommitted(m_database->Attachment());
}

void TFbTransaction::EnsureStarted()
{
    if (!Active())
        StartTransaction();
}

void TFbTransaction::Commit()
{
    m_transaction.Commit();
}

void TFbTransaction::CommitRetaining()
{
    m_transaction.CommitRetaining();
}
