#pragma once

#include <QByteArray>
#include <QString>

// The settings file and the project's texts are Windows-1251 bytes, the code page project
// files are exchanged in. Nothing is altered silently: canHold() tells beforehand whether a
// text survives the trip.
namespace Windows1251 {

QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
bool canHold(const QString& text);
// The first character of the text that Windows-1251 has no code for, or an empty string.
QString firstForeignCharacter(const QString& text);
// The distinct characters of the text that Windows-1251 cannot hold, in order of appearance.
QString foreignCharacters(const QString& text);
// The message shown when a text is refused for those characters.
QString refusalMessage(const QString& text);

} // namespace Windows1251
