#include "app/SettingsFile.h"

#include "app/IniText.h"
#include "common/Windows1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <cstdio>
#include <limits>
#include <optional>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char General[] = "General";
constexpr char DeviceScreenShot[] = "DeviceScreenShot";
constexpr char Processing[] = "Processing";

// Said once per file and process: at the start's read, or at the exit's write when the file
// read at the start was another one.
void reportNotRegular(const QString& path)
{
    static QMutex mutex;
    static QSet<QString> reported;
    const QMutexLocker lock(&mutex);
    if (reported.contains(path))
        return;
    reported.insert(path);
    const QString text =
        QStringLiteral("Файл настроек %1 не является обычным файлом: настройки из него не "
                       "читаются и в него не сохраняются.")
            .arg(QDir::toNativeSeparators(path));
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// Empty for a missing or unreadable file; nothing for a file that is not a regular one. The
// open does not wait: a named pipe without a writer would hold the program before its window
// and again at its exit.
std::optional<QByteArray> readFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return QByteArray();
    }
    return file.readAll();
}

// A path that names something other than a regular file or a folder: a pipe, a device, a
// socket.
bool isSpecialFile(const QString& path)
{
    struct stat status = {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode) &&
           !S_ISDIR(status.st_mode);
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

// A text is stored only if it reads back as itself: a line break would cut it and start keys
// of its own, spaces around it would be dropped, a longer one would be cut.
QByteArray storableText(const QString& text)
{
    const QByteArray bytes = encodeText(text);
    const bool comesBack = !bytes.contains('\n') && !bytes.contains('\r') &&
                           bytes.trimmed() == bytes && text.size() <= SettingsFile::MaxTextLength &&
                           decodeText(bytes) == text;
    return comesBack ? bytes : QByteArray();
}

[[noreturn]] void cannotWrite(const QString& path, const char* reason)
{
    const QString text = QStringLiteral("Не удалось сохранить настройки в файл %1: %2")
                             .arg(QDir::toNativeSeparators(path), QString::fromUtf8(reason));
    throw std::runtime_error(text.toStdString());
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

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

int32_t SettingsFile::parseInteger(const QByteArray& text, int32_t defaultValue)
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

VornSettings SettingsFile::load() const
{
    const std::optional<QByteArray> bytes = readFile(m_path);
    if (!bytes)
        reportNotRegular(m_path);
    const IniText ini(bytes.value_or(QByteArray()));
    const auto text = [&ini](const char* section, const char* key) {
        return decodeText(ini.value(section, key).value_or(QByteArray())).left(MaxTextLength);
    };
    const auto integer = [&ini](const char* section, const char* key, int32_t defaultValue) {
        return parseInteger(ini.value(section, key).value_or(QByteArray()), defaultValue);
    };

    VornSettings s;
    s.ProjectName = text(General, "LastProject");
    s.ProjectPath = text(General, "ProjectPath");
    s.InkColor = integer(DeviceScreenShot, "InkColor", s.InkColor);
    s.BackgroundColor = integer(DeviceScreenShot, "BackgroundColor", s.BackgroundColor);
    s.Measurand = integer(Processing, "Measurand", s.Measurand);
    s.LoadUnit = integer(Processing, "LoadUnit", s.LoadUnit);
    return s;
}

void SettingsFile::save(const VornSettings& s) const
{
    // Neither written into nor replaced by a regular file: the user put it there on purpose.
    if (isSpecialFile(m_path)) {
        reportNotRegular(m_path);
        return;
    }
    const QFileInfo info(m_path);
    if (info.isDir())
        cannotWrite(m_path, "на его месте папка.");
    // A read-only file must stop the write even though a new file could replace it.
    if (info.exists() && !info.isWritable())
        cannotWrite(m_path, "файл защищён от записи.");

    const std::optional<QByteArray> old = readFile(m_path);
    if (!old) {
        reportNotRegular(m_path);
        return;
    }
    IniText ini(*old);
    const auto setInteger = [&ini](const char* section, const char* key, int32_t value) {
        ini.setValue(section, key, QByteArray::number(value));
    };
    ini.setValue(General, "LastProject", storableText(s.ProjectName));
    ini.setValue(General, "ProjectPath", storableText(s.ProjectPath));
    setInteger(DeviceScreenShot, "InkColor", s.InkColor);
    setInteger(DeviceScreenShot, "BackgroundColor", s.BackgroundColor);
    setInteger(Processing, "Measurand", s.Measurand);
    setInteger(Processing, "LoadUnit", s.LoadUnit);
    const QByteArray bytes = ini.bytes();

    if (!QDir().mkpath(info.absolutePath()))
        cannotWrite(m_path, "не удалось создать папку.");
    // No direct write as a fallback: on a full disk it would leave the old file cut short.
    // Unbuffered, so that a short write (a file-size limit, a full disk) is seen before the
    // commit: QSaveFile renames a file cut short when the failure comes only at its close.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        cannotWrite(m_path, "нет права записи в папку.");
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        cannotWrite(m_path, "нет места на диске или ошибка записи.");
}
