#include "storage/FbQuery.h"

#include "storage/FbDatabase.h"
#include "storage/FbTransaction.h"
#include "storage/fb/Statement.h"

TFbQuery::TFbQuery(QObject* parent, const QString& name, TFbTransaction* transaction)
    : QObject(parent), m_transaction(transaction)
{
    setObjectName(name);
}

void TFbQuery::ExecQuery()
{
    m_transaction->EnsureStarted();
    fb::Statement statement(m_transaction->Database()->Attachment(), m_transaction->Handle(),
                            m_sql.toStdString(),
                            static_cast<unsigned>(m_transaction->Database()->SQLDialect()));
    statement.Execute(m_transaction->Handle());
}
