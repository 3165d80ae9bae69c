#pragma once

#include "storage/DataSetSql.h"

#include <QString>
#include <QStringList>

namespace fb {
class Attachment;
class Transaction;
} // namespace fb

// The project file format: the statements that build it and the statements of its two datasets.
// Project files are exchanged between copies of the program, so every text here is fixed.
namespace ProjectSchema {

// The account and character set every connection to a project uses.
inline constexpr const char* User = "SYSDBA";
inline constexpr const char* Password = "tarnwheel";
inline constexpr const char* Charset = "ASCII";

QStringList creationParams();
// The seven statements run after CREATE DATABASE, identity row included.
QStringList buildStatements();

// True when both tables have every column of the schema with its type; a file whose columns
// hold other types would be read wrongly ("-1" for 9223372036854775807). Reads only.
bool columnsMatch(fb::Attachment& attachment, fb::Transaction& transaction);

DataSetSql resultSql();
DataSetSql descriptionSql();

} // namespace ProjectSchema
