#include "common/Windows1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr char CodecName[] = "windows-1251";

// The characters of the text one by one, a surrogate pair as one.
template <typename Visit> void forEachCharacter(const QString& text, Visit visit)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (!visit(text.mid(i, length)))
            return;
        i += length - 1;
    }
}

} // namespace

namespace Windows1251 {

QByteArray encode(const QString& text)
{
    QStringEncoder encoder(CodecName);
    return encoder.encode(text);
}

QString decode(const QByteArray& bytes)
{
    QStringDecoder decoder(CodecName);
    return decoder.decode(bytes);
}

bool canHold(const QString& text)
{
    // Round trip: a character the code page lacks comes back as something else.
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return decode(encode(text)) == text;
    return true;
}

QString firstForeignCharacter(const QString& text)
{
    QString found;
    forEachCharacter(text, [&found](const QString& character) {
        if (!canHold(character))
            found = character;
        return found.isEmpty();
    });
    return found;
}

QString foreignCharacters(const QString& text)
{
    QString found;
    forEachCharacter(text, [&found](const QString& character) {
        if (!canHold(character) && !found.contains(character))
            found += character;
        return true;
    });
    return found;
}

QString refusalMessage(const QString& text)
{
    return QStringLiteral("Текст содержит символы, которые нельзя сохранить в проекте: %1\n"
                          "Удалите или замените их.")
        .arg(foreignCharacters(text));
}

} // namespace Windows1251
