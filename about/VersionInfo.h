#pragma once

#include <QList>
#include <QString>
#include <utility>

// Version strings by key, the way a program file's version resource holds them.
using VersionInfo = QList<std::pair<QString, QString>>;

// The version strings compiled into this program.
const VersionInfo& programVersionInfo();

// Answers the value of the key; false with an empty value when the key is missing.
bool QueryVersionString(const VersionInfo& info, const QString& key, QString& value);
