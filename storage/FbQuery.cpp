#include "storage/FbQuery.h"

#include "storage/FbDatabase.h"
#include "storage/FbTransaction.h"
#include "storage/fb/Statement.h"

FbQuery::FbQuery(QObject* parent, const QString& name, FbTransaction* transaction)
    : QObject(parent), m_transaction(transaction)
{
    setObjectName(name);
}

void FbQuery::execQuery()
{
    m_transaction->ensureStarted();
    fb::Statement statement(m_transaction->database()->attachment(), m_transaction->handle(),
                            m_sql.toStdString(),
                            static_cast<unsigned>(m_transaction->database()->sqlDialect()));
    statement.execute(m_transaction->handle());
}
