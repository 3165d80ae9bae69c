#include "storage/FbDatabase.h"

#include "storage/FbTransaction.h"
#include "storage/ServerProject.h"
#include "storage/StorageError.h"
#include "storage/StorageTexts.h"

#include <QFile>
#include <QRegularExpression>

FbDatabase::FbDatabase(QObject* parent, const QString& name) : QObject(parent)
{
    setObjectName(name);
}

FbDatabase::~FbDatabase() = default;

void FbDatabase::clearParams()
{
    m_user.clear();
    m_password.clear();
    m_charset.clear();
}

void FbDatabase::setConnectParams(const QString& user, const QString& password,
                                  const QString& charset)
{
    m_user = user;
    m_password = password;
    m_charset = charset;
}

bool FbDatabase::onServer() const
{
    return isServerProjectName(m_dbName);
}

QByteArray FbDatabase::createStatement() const
{
    QByteArray statement = "CREATE DATABASE ";
    statement +=
        QByteArray::fromStdString(fb::quoteLiteral(QFile::encodeName(m_dbName).toStdString()));
    statement += ' ';
    for (const QString& line : m_creationParams)
        statement += line.toUtf8() + "\r\n";
    return statement;
}

fb::Attachment::Params FbDatabase::createParams() const
{
    fb::Attachment::Params params;
    params.dialect = static_cast<unsigned>(m_dialect);
    params.charset = m_charset.toStdString();
    const QString lines = m_creationParams.join(' ');
    const auto account = QRegularExpression(R"(\bUSER\s+'([^']*)'(?:\s+PASSWORD\s+'([^']*)')?)",
                                            QRegularExpression::CaseInsensitiveOption)
                             .match(lines);
    if (account.hasMatch()) {
        params.user = account.captured(1).toStdString();
        params.password = account.captured(2).toStdString();
    }
    const auto pageSize =
        QRegularExpression(R"(\bPAGE_SIZE\s*=?\s*(\d+))", QRegularExpression::CaseInsensitiveOption)
            .match(lines);
    if (pageSize.hasMatch())
        params.pageSize = pageSize.captured(1).toUInt();
    const auto charset = QRegularExpression(R"(\bDEFAULT\s+CHARACTER\s+SET\s+(\w+))",
                                            QRegularExpression::CaseInsensitiveOption)
                             .match(lines);
    if (charset.hasMatch())
        params.defaultCharset = charset.captured(1).toStdString();
    if (onServer()) {
        params.remote = true;
        params.user = m_user.toStdString();
        params.password = m_password.toStdString();
    }
    return params;
}

void FbDatabase::checkName() const
{
    if (onServer())
        return;
    if (hasServerPart(m_dbName))
        throw StorageError(StorageTexts::ColonInName, std::string());
}

void FbDatabase::createDatabase()
{
    close();
    checkName();
    // The engine's own create call, not the CREATE DATABASE statement: only it takes the
    // parameters that keep the name UTF-8 and the file on the embedded engine.
    m_attachment = fb::Attachment::create(m_dbName.toUtf8().toStdString(), createParams());
}

void FbDatabase::open()
{
    close();
    checkName();
    fb::Attachment::Params params;
    params.user = m_user.toStdString();
    params.password = m_password.toStdString();
    params.charset = m_charset.toStdString();
    params.dialect = static_cast<unsigned>(m_dialect);
    params.remote = onServer();
    m_attachment = fb::Attachment::attach(m_dbName.toUtf8().toStdString(), params);
}

void FbDatabase::close()
{
    if (!connected())
        return;
    if (m_transaction && m_transaction->active())
        m_transaction->commit();
    m_attachment.detach();
}

void FbDatabase::dropDatabase()
{
    if (!connected())
        return;
    if (m_transaction && m_transaction->active())
        m_transaction->commit();
    m_attachment.drop();
}
