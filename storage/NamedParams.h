#pragma once

#include <QString>

#include <vector>

// Statements name their parameters ?NAME (a field's current value) or ?OLD_NAME (its value as
// last read); the engine takes positional ? only.
struct NamedParam
{
    QString name;
};

// Replaces every ?NAME outside string literals by ? and lists the names in order.
QString ToPositionalParams(const QString& sql, std::vector<NamedParam>& params);
