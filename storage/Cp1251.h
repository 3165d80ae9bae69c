#pragma once

#include <QByteArray>
#include <QString>

// Text of the user is stored as Windows-1251 bytes, the code page project files are exchanged in.
namespace Cp1251 {

QByteArray Encode(const QString& text);
QString Decode(const QByteArray& bytes);
bool CanEncode(const QString& text);
// The distinct characters of text that Windows-1251 cannot hold, in order of appearance.
QString UnencodableCharacters(const QString& text);
// The message shown when a text is refused for those characters.
QString RefusalMessage(const QString& text);

} // namespace Cp1251
