#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// The six values the main window keeps between runs.
struct VornSettings
{
    QString ProjectName; // "LastProject"
    QString ProjectPath;
    int32_t InkColor = 0;
    int32_t BackgroundColor = 16777215;
    int32_t Measurand = 0;
    int32_t LoadUnit = 0;
};

// The INI settings file: sections and keys matched without regard to letter case, every other
// line of an existing file kept as it is, Windows-1251 text.
class SettingsFile
{
public:
    explicit SettingsFile(QString path);

    const QString& path() const { return m_path; }

    // Never fails or waits: anything missing or unreadable gives the defaults. A path that is
    // not a regular file (a named pipe, a device) is said on stderr, once per process.
    VornSettings load() const;
    // All or nothing. Throws std::runtime_error with a Russian sentence naming the file when it
    // cannot be written; the file is then as it was. A text that would not read back as itself
    // (a line break, spaces around it, too long) is written empty. A path that is neither a
    // regular file nor a folder is left alone and said on stderr, unless load already said it.
    void save(const VornSettings& settings) const;

    // Decimal with an optional sign, or hexadecimal after "$", "0x" or "0X"; anything else
    // gives the default.
    static int32_t parseInteger(const QByteArray& text, int32_t defaultValue);
    // Texts are read up to this many characters.
    static constexpr int MaxTextLength = 2047;

private:
    QString m_path;
};
