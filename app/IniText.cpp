#include "app/IniText.h"

namespace {

bool sameName(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isComment(const QByteArray& trimmed)
{
    return trimmed.startsWith(';') || trimmed.startsWith('#');
}

std::optional<QByteArray> sectionName(const QByteArray& trimmed)
{
    if (!trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

std::optional<QByteArray> keyName(const QByteArray& trimmed)
{
    if (isComment(trimmed) || trimmed.startsWith('['))
        return std::nullopt;
    const qsizetype equals = trimmed.indexOf('=');
    if (equals <= 0)
        return std::nullopt;
    const QByteArray name = trimmed.left(equals).trimmed();
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

} // namespace

IniText::IniText(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    m_lines = bytes.split('\n');
    if (bytes.endsWith('\n'))
        m_lines.removeLast();
    for (QByteArray& line : m_lines)
        if (line.endsWith('\r'))
            line.chop(1);
}

IniText::Position IniText::find(const QByteArray& section, const QByteArray& key) const
{
    Position at;
    bool inSection = false;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QByteArray trimmed = m_lines.at(i).trimmed();
        if (const auto name = sectionName(trimmed)) {
            if (at.sectionLine >= 0)
                return at; // only the first section of that name counts
            inSection = sameName(*name, section);
            if (inSection) {
                at.sectionLine = i;
                at.lastEntry = i;
            }
        } else if (inSection) {
            if (const auto name = keyName(trimmed)) {
                at.lastEntry = i;
                if (sameName(*name, key)) {
                    at.keyLine = i;
                    return at;
                }
            }
        }
    }
    return at;
}

std::optional<QByteArray> IniText::value(const QByteArray& section, const QByteArray& key) const
{
    const Position at = find(section, key);
    if (at.keyLine < 0)
        return std::nullopt;
    const QByteArray& line = m_lines.at(at.keyLine);
    return line.mid(line.indexOf('=') + 1).trimmed();
}

void IniText::setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value)
{
    const Position at = find(section, key);
    if (at.keyLine >= 0) {
        const QByteArray trimmed = m_lines.at(at.keyLine).trimmed();
        m_lines[at.keyLine] = *keyName(trimmed) + '=' + value;
    } else if (at.sectionLine >= 0) {
        m_lines.insert(at.lastEntry + 1, key + '=' + value);
    } else {
        m_lines.append('[' + section + ']');
        m_lines.append(key + '=' + value);
    }
}

QByteArray IniText::bytes() const
{
    QByteArray out;
    for (const QByteArray& line : m_lines)
        out += line + '\n';
    return out;
}
