#include "SettingsFile.h"

#include "Windows1251.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <SimpleIni.h>
#include <limits>
#include <stdexcept>
#include <string>

namespace {

constexpr char General[] = "General";
constexpr char DeviceScreenShot[] = "DeviceScreenShot";
constexpr char Processing[] = "Processing";

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool isCommentOrBlank(const QByteArray& line)
{
    const QByteArray t = line.trimmed();
    return t.isEmpty() || t.startsWith(';') || t.startsWith('#');
}

// SimpleIni keeps only comments that stand before a section or a key; comment lines at the very
// end of the file would be lost, so they are carried over by hand.
QByteArray trailingComments(const QByteArray& data)
{
    QList<QByteArray> lines = data.split('\n');
    qsizetype first = lines.size();
    while (first > 0 && isCommentOrBlank(lines.at(first - 1)))
        --first;
    while (first < lines.size() && lines.at(first).trimmed().isEmpty())
        ++first;
    QByteArray block;
    for (qsizetype i = first; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        block += line + '\n';
    }
    return block.trimmed().isEmpty() ? QByteArray() : block.trimmed() + '\n';
}

// A text Windows-1251 cannot hold goes out as UTF-8 rather than being altered; reading tells
// the two apart because Cyrillic Windows-1251 text is practically never valid UTF-8.
QByteArray encodeText(const QString& text)
{
    return Windows1251::canHold(text) ? Windows1251::encode(text) : text.toUtf8();
}

QString decodeText(const QByteArray& bytes)
{
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
    }
    return Windows1251::decode(bytes);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

TSettingsFile::TSettingsFile(QString path) : m_path(std::move(path)) {}

int32_t TSettingsFile::parseInteger(const QByteArray& text, int32_t defaultValue)
{
    const QByteArray t = text.trimmed();
    qsizetype pos = 0;
    bool hex = false;
    if (t.startsWith('$')) {
        hex = true;
        pos = 1;
    } else if (t.startsWith("0x") || t.startsWith("0X")) {
        hex = true;
        pos = 2;
    }
    if (hex) {
        if (pos == t.size())
            return defaultValue;
        uint64_t value = 0;
        for (; pos < t.size(); ++pos) {
            const int digit = hexDigit(t.at(pos));
            if (digit < 0)
                return defaultValue;
            value = value * 16 + digit;
            if (value > std::numeric_limits<uint32_t>::max())
                return defaultValue;
        }
        // Like the original reader, eight hex digits wrap into the sign bit.
        return static_cast<int32_t>(static_cast<uint32_t>(value));
    }
    bool negative = false;
    if (pos < t.size() && (t.at(pos) == '-' || t.at(pos) == '+')) {
        negative = t.at(pos) == '-';
        ++pos;
    }
    if (pos == t.size())
        return defaultValue;
    int64_t value = 0;
    for (; pos < t.size(); ++pos) {
        const char c = t.at(pos);
        if (c < '0' || c > '9')
            return defaultValue;
        value = value * 10 + (c - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            return defaultValue;
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int32_t>::max())
        return defaultValue;
    return static_cast<int32_t>(value);
}

TVornSettings TSettingsFile::load() const
{
    CSimpleIniA ini(false, false, false);
    const QByteArray data = readFile(m_path);
    ini.LoadData(data.constData(), data.size());

    const auto text = [&ini](const char* section, const char* key) {
        return decodeText(QByteArray(ini.GetValue(section, key, ""))).left(MaxTextLength);
    };
    const auto integer = [&ini](const char* section, const char* key, int32_t defaultValue) {
        return parseInteger(QByteArray(ini.GetValue(section, key, "")), defaultValue);
    };

    TVornSettings s;
    s.ProjectName = text(General, "LastProject");
    s.ProjectPath = text(General, "ProjectPath");
    s.InkColor = integer(DeviceScreenShot, "InkColor", s.InkColor);
    s.BackgroundColor = integer(DeviceScreenShot, "BackgroundColor", s.BackgroundColor);
    s.Measurand = integer(Processing, "Measurand", s.Measurand);
    s.LoadUnit = integer(Processing, "LoadUnit", s.LoadUnit);
    return s;
}

void TSettingsFile::save(const TVornSettings& s) const
{
    const auto fail = [this] {
        throw std::runtime_error("Unable to write to " + m_path.toStdString());
    };

    CSimpleIniA ini(false, false, false);
    ini.SetSpaces(false);
    const QByteArray data = readFile(m_path);
    ini.LoadData(data.constData(), data.size());

    const auto setText = [&ini](const char* section, const char* key, const QString& value) {
        ini.SetValue(section, key, encodeText(value).constData());
    };
    const auto setInteger = [&ini](const char* section, const char* key, int32_t value) {
        ini.SetValue(section, key, QByteArray::number(value).constData());
    };
    setText(General, "LastProject", s.ProjectName);
    setText(General, "ProjectPath", s.ProjectPath);
    setInteger(DeviceScreenShot, "InkColor", s.InkColor);
    setInteger(DeviceScreenShot, "BackgroundColor", s.BackgroundColor);
    setInteger(Processing, "Measurand", s.Measurand);
    setInteger(Processing, "LoadUnit", s.LoadUnit);

    std::string out;
    if (ini.Save(out) < 0)
        fail();
    const QByteArray tail = trailingComments(data);
    QByteArray bytes = QByteArray::fromStdString(out);
    if (!tail.isEmpty() && !bytes.trimmed().endsWith(tail.trimmed()))
        bytes += '\n' + tail;

    // A read-only file must stop the write even though a new file could replace it.
    if (QFile::exists(m_path) && !QFileInfo(m_path).isWritable())
        fail();
    QSaveFile file(m_path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        fail();
}
