#include "storage/NamedParams.h"

namespace {
bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == '_' || c == '$';
}
} // namespace

QString toPositionalParams(const QString& sql, QStringList& names)
{
    names.clear();
    QString result;
    result.reserve(sql.size());
    bool inLiteral = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (c == '\'')
            inLiteral = !inLiteral;
        if (inLiteral || c != '?') {
            result += c;
            continue;
        }
        qsizetype end = i + 1;
        while (end < sql.size() && isNameChar(sql[end]))
            ++end;
        names << sql.mid(i + 1, end - i - 1);
        result += '?';
        i = end - 1;
    }
    return result;
}
