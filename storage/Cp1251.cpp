#include "Cp1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Cp1251 {

QByteArray Encode(const QString& text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

QString Decode(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-1251");
    return decoder.decode(bytes);
}

bool CanEncode(const QString& text)
{
    // Round trip: a character the code page lacks comes back as something else.
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return Decode(Encode(text)) == text;
    return true;
}

QString UnencodableCharacters(const QString& text)
{
    QString found;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString one = text.mid(i, length);
        if (one[0].unicode() >= 0x80 && Decode(Encode(one)) != one && !found.contains(one))
            found += one;
        i += length - 1;
    }
    return found;
}

QString RefusalMessage(const QString& text)
{
    return QStringLiteral("Текст содержит символы, которые нельзя сохранить в проекте: %1\n"
                          "Удалите или замените их.")
        .arg(UnencodableCharacters(text));
}

} // namespace Cp1251
