#pragma once

#include <QString>
#include <QStringList>

namespace fb {
class Attachment;
class Transaction;
} // namespace fb

// The project file format: the statements that build it and the statements of its two datasets.
// Project files are exchanged between copies of the program, so every text here is fixed.
namespace ProjectSchema {

QStringList CreationParams();
// The seven statements run after CREATE DATABASE, identity row included.
QStringList BuildStatements();

// True when both tables have every column of the schema with its type; a file whose columns
// hold other types would be read wrongly ("-1" for 9223372036854775807). Reads only.
bool ColumnsMatch(fb::Attachment& attachment, fb::Transaction& transaction);

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
