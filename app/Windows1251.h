#pragma once

#include <QByteArray>
#include <QString>

// The settings file and the project's texts are Windows-1251 bytes; these conversions never
// alter text silently: canHold() tells beforehand whether a text survives the trip.
namespace Windows1251 {

bool canHold(const QString& text);
// The first character of the text that Windows-1251 has no code for, or an empty string.
QString firstForeignCharacter(const QString& text);
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);

} // namespace Windows1251
