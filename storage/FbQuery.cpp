#include "storage/FbQuery.h"

#include "storage/FbDatabase.h"
#include "storage/FbTransaction.h"
#include "storage/fb/Statement.h"

FbQuery::FbQuery(QObject* parent, const QString& name, FbTransaction* transaction)
    : QObject(parent), m_transaction(transaction)
{
    setObjectName(name);
}

void FbQuery::ExecQuery()
{
    m_transaction->EnsureStarted();
    fb::Statement statement(m_transaction->Database()->Attachment(), m_transaction->Handle(),
                            m_sql.toStdString(),
                            static_cast<unsigned>(m_transaction->Database()->SQLDialect()));
    statement.Execute(m_transaction->Handle());
}
