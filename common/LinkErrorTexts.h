#pragma once

#include <QString>

#include <cstdint>

// The texts of a failed exchange with the instrument.
namespace LinkErrorTexts {

inline const QString LinkError = QStringLiteral("Ошибка связи ");
inline const QString DeviceLinkError = QStringLiteral("Ошибка связи с прибором!");

// The text followed by the status as exactly 8 upper-case hexadecimal digits.
inline QString withStatus(const QString& text, uint32_t status)
{
    return text + QStringLiteral("%1").arg(status, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace LinkErrorTexts
