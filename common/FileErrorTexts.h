#pragma once

#include <QString>

// The texts of a file that cannot be created or written, with the path as it is to be shown.
namespace FileErrorTexts {

inline QString cannotCreate(const QString& shownPath, const QString& reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(shownPath, reason);
}

inline QString cannotWrite(const QString& shownPath, const QString& reason)
{
    return QStringLiteral("Cannot write file \"%1\". %2").arg(shownPath, reason);
}

} // namespace FileErrorTexts
