#include "storage/StorageError.h"

#include <QStringList>

StorageError::StorageError(const std::string& text) : std::runtime_error(text), m_detail(text) {}

StorageError::StorageError(const QString& reason, const std::string& detail)
    : std::runtime_error(compose({}, reason, detail)), m_reason(reason), m_detail(detail)
{
}

StorageError::StorageError(const QString& operation, const StorageError& cause)
    : std::runtime_error(compose(operation, cause.m_reason, cause.m_detail)),
      m_operation(operation), m_reason(cause.m_reason), m_detail(cause.m_detail)
{
}

std::string StorageError::compose(const QString& operation, const QString& reason,
                                  const std::string& detail)
{
    QStringList parts;
    if (!operation.isEmpty())
        parts << operation;
    if (!reason.isEmpty())
        parts << reason;
    if (!detail.empty())
        parts << QString::fromStdString(detail);
    return parts.join('\n').toStdString();
}
