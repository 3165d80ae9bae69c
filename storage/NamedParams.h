#pragma once

#include <QString>
#include <QStringList>

// Statements name their parameters ?NAME (a field's current value) or ?OLD_NAME (its value as
// last read); the engine takes positional ? only.
// Replaces every ?NAME outside string literals by ? and lists the names in order.
QString toPositionalParams(const QString& sql, QStringList& names);
