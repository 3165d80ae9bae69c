#include "FbDatabase.h"

#include "FbTransaction.h"

#include <QFile>

TFbDatabase::TFbDatabase(QObject* parent, const QString& name) : QObject(parent)
{
    setObjectName(name);
}

TFbDatabase::~TFbDatabase() = default;

void TFbDatabase::ClearParams()
{
    m_user.clear();
    m_password.clear();
    m_charset.clear();
}

void TFbDatabase::SetConnectParams(const QString& user, const QString& password,
                                   const QString& charset)
{
    m_user = user;
    m_password = password;
    m_charset = charset;
}

QByteArray TFbDatabase::CreateStatement() const
{
    QByteArray statement = "CREATE DATABASE ";
    statement +=
        QByteArray::fromStdString(fb::QuoteLiteral(QFile::encodeName(m_dbName).toStdString()));
    statement += ' ';
    for (const QString& line : m_creationParams)
        statement += line.toUtf8() + "\r\n";
    return statement;
}

void TFbDatabase::CreateDatabase()
{
    Close();
    m_attachment = fb::Attachment::CreateByStatement(CreateStatement().toStdString(),
                                                     static_cast<unsigned>(m_dialect));
}

void TFbDatabase::Open()
{
    Close();
    m_attachment =
        fb::Attachment::Attach(QFile::encodeName(m_dbName).toStdString(), m_user.toStdString(),
                               m_password.toStdString(), m_charset.toStdString());
}

void TFbDatabase::Close()
{
    if (!Connected())
        return;
    if (m_transaction && m_transaction->Active())
        m_transaction->Commit();
    m_attachment.Detach();
}

void TFbDatabase::DropDatabase()
{
    if (!Connected())
        return;
    if (m_transaction && m_transaction->Active())
        m_transaction->Commit();
    m_attachment.Drop();
}
