#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

// An INI file edited as lines of text: only the values set change, every other line (comments
// included, whatever bytes they hold) stays where it was. A line ends at LF alone, so a stray CR
// is text and never starts a key. Section and key names match without regard to ASCII case.
class IniText
{
public:
    explicit IniText(const QByteArray& bytes = {});

    // The first such key of the first section of that name, without the spaces around it.
    std::optional<QByteArray> value(const QByteArray& section, const QByteArray& key) const;
    // Replaces that key's value in place; a missing key goes after the last key of its section,
    // a missing section at the end. The value must hold no line break.
    void setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value);

    // The lines joined by LF, ending with one.
    QByteArray bytes() const;

private:
    struct Position
    {
        qsizetype sectionLine = -1; // the header, -1 when the section does not exist
        qsizetype keyLine = -1;     // the key's line, -1 when the key does not exist
        qsizetype lastEntry = -1;   // the last header or key line of the section
    };
    Position find(const QByteArray& section, const QByteArray& key) const;

    QList<QByteArray> m_lines;
};
