#pragma once

#include <QString>
#include <QStringList>

// The project file format: the statements that build it and the statements of its two datasets.
// Project files are exchanged between copies of the program, so every text here is fixed.
namespace ProjectSchema {

QStringList CreationParams();
// The seven statements run after CREATE DATABASE, identity row included.
QStringList BuildStatements();

QStringList ResultSelectSQL();
QStringList ResultRefreshSQL();
QStringList ResultInsertSQL();
QStringList ResultUpdateSQL();
QStringList ResultDeleteSQL();

QStringList DescriptionSelectSQL();
QStringList DescriptionRefreshSQL();
QStringList DescriptionInsertSQL();
QStringList DescriptionUpdateSQL();
QStringList DescriptionDeleteSQL();

} // namespace ProjectSchema
