#include "Windows1251.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
constexpr char CodecName[] = "windows-1251";
}

namespace Windows1251 {

bool canHold(const QString& text)
{
    QStringEncoder encoder(CodecName);
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError();
}

QString firstForeignCharacter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (!canHold(character))
            return character;
        i += length - 1;
    }
    return {};
}

QByteArray encode(const QString& text)
{
    QStringEncoder encoder(CodecName);
    const QByteArray bytes = encoder.encode(text);
    return bytes;
}

QString decode(const QByteArray& bytes)
{
    QStringDecoder decoder(CodecName);
    const QString text = decoder.decode(bytes);
    return text;
}

} // namespace Windows1251
