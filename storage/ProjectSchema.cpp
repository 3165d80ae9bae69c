#include "storage/ProjectSchema.h"

#include "storage/TMainDataModule.h"
#include "storage/fb/Attachment.h"
#include "storage/fb/Statement.h"

#include <map>
#include <tuple>

namespace ProjectSchema {

namespace {
const QStringList ResultColumns = {"MSR_RESULT_TABLE_PK",
                                   "MSR_DATE",
                                   "MSR_TIME",
                                   "MSR_NUMBER",
                                   "REINF_KIND_ID",
                                   "REINF_DIAMETER",
                                   "FORCE_ESTIMATE",
                                   "BASE",
                                   "F",
                                   "P",
                                   "S",
                                   "MSR_COMMENT"};
} // namespace

QStringList creationParams()
{
    return {QStringLiteral("USER '%1' PASSWORD '%2'").arg(User, Password), "PAGE_SIZE = 4096",
            QStringLiteral("DEFAULT CHARACTER SET %1").arg(Charset)};
}

QStringList buildStatements()
{
    const QString identity = "INSERT INTO DESC_TABLE (DEVICE_NAME, DEVICE_DATA_VERSION) VALUES (" +
                             QString::fromStdString(fb::quoteLiteral(TMainDataModule::DeviceName)) +
                             "," + QString::number(TMainDataModule::DeviceDataVersion) + ");";
    return {
        "CREATE TABLE DESC_TABLE(DESC_TABLE_PK INTEGER NOT NULL PRIMARY KEY,DEVICE_NAME "
        "CHAR(32),DEVICE_DATA_VERSION INTEGER,PROJECT_DESC BLOB SUB_TYPE 0 SEGMENT SIZE 256);",
        "CREATE GENERATOR DESC_TABLE_GEN;",
        "CREATE TRIGGER CREATE_DESC_RECORD FOR DESC_TABLE ACTIVE BEFORE INSERT POSITION 0 AS "
        "BEGIN  if (NEW.DESC_TABLE_PK is null) then   NEW.DESC_TABLE_PK = gen_id(DESC_TABLE_GEN, "
        "1); END;",
        identity,
        "CREATE TABLE MSR_RESULT_TABLE(MSR_RESULT_TABLE_PK INTEGER NOT NULL PRIMARY KEY,MSR_DATE "
        "TIMESTAMP,MSR_TIME TIMESTAMP,MSR_NUMBER INTEGER,REINF_KIND_ID INTEGER,REINF_DIAMETER "
        "INTEGER,FORCE_ESTIMATE INTEGER,BASE INTEGER,F FLOAT,P FLOAT,S FLOAT,MSR_COMMENT BLOB "
        "SUB_TYPE 0 SEGMENT SIZE 256);",
        "CREATE GENERATOR MSR_RESULT_TABLE_GEN;",
        "CREATE TRIGGER CREATE_MSR_RESULT_RECORD FOR MSR_RESULT_TABLE ACTIVE BEFORE INSERT "
        "POSITION 0 AS BEGIN  if (NEW.MSR_RESULT_TABLE_PK is null) then   "
        "NEW.MSR_RESULT_TABLE_PK = gen_id(MSR_RESULT_TABLE_GEN, 1); END;",
    };
}

bool columnsMatch(fb::Attachment& attachment, fb::Transaction& transaction)
{
    // Engine type codes: 8 INTEGER, 10 FLOAT, 14 CHAR, 35 TIMESTAMP, 261 BLOB.
    using Type = std::tuple<int64_t, int64_t, int64_t, int64_t>; // type, sub-type, scale, length
    const Type integer{8, 0, 0, 4};
    const Type real{10, 0, 0, 4};
    const Type timestamp{35, 0, 0, 8};
    const Type blob{261, 0, 0, 8};
    const std::map<std::pair<std::string, std::string>, Type> expected = {
        {{"DESC_TABLE", "DESC_TABLE_PK"}, integer},
        {{"DESC_TABLE", "DEVICE_NAME"}, {14, 0, 0, 32}},
        {{"DESC_TABLE", "DEVICE_DATA_VERSION"}, integer},
        {{"DESC_TABLE", "PROJECT_DESC"}, blob},
        {{"MSR_RESULT_TABLE", "MSR_RESULT_TABLE_PK"}, integer},
        {{"MSR_RESULT_TABLE", "MSR_DATE"}, timestamp},
        {{"MSR_RESULT_TABLE", "MSR_TIME"}, timestamp},
        {{"MSR_RESULT_TABLE", "MSR_NUMBER"}, integer},
        {{"MSR_RESULT_TABLE", "REINF_KIND_ID"}, integer},
        {{"MSR_RESULT_TABLE", "REINF_DIAMETER"}, integer},
        {{"MSR_RESULT_TABLE", "FORCE_ESTIMATE"}, integer},
        {{"MSR_RESULT_TABLE", "BASE"}, integer},
        {{"MSR_RESULT_TABLE", "F"}, real},
        {{"MSR_RESULT_TABLE", "P"}, real},
        {{"MSR_RESULT_TABLE", "S"}, real},
        {{"MSR_RESULT_TABLE", "MSR_COMMENT"}, blob},
    };
    fb::Statement columns(
        attachment, transaction,
        "SELECT TRIM(RF.RDB$RELATION_NAME), TRIM(RF.RDB$FIELD_NAME), F.RDB$FIELD_TYPE, "
        "COALESCE(F.RDB$FIELD_SUB_TYPE, 0), COALESCE(F.RDB$FIELD_SCALE, 0), F.RDB$FIELD_LENGTH "
        "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
        "WHERE RF.RDB$RELATION_NAME IN ('DESC_TABLE', 'MSR_RESULT_TABLE')");
    columns.open(transaction);
    size_t matched = 0;
    bool differs = false;
    while (columns.fetch()) {
        const auto found = expected.find({columns.getBytes(0), columns.getBytes(1)});
        if (found == expected.end())
            continue;
        const Type type{columns.getInteger(2), columns.getInteger(3), columns.getInteger(4),
                        columns.getInteger(5)};
        if (type == found->second)
            ++matched;
        else
            differs = true;
    }
    columns.closeCursor();
    return !differs && matched == expected.size();
}

namespace {

QStringList resultSelectSql()
{
    return {"SELECT * FROM MSR_RESULT_TABLE", "ORDER BY MSR_DATE, MSR_NUMBER DESC"};
}

QStringList resultRefreshSql()
{
    return {"SELECT * FROM MSR_RESULT_TABLE",
            "WHERE MSR_RESULT_TABLE_PK = ?OLD_MSR_RESULT_TABLE_PK",
            "ORDER BY MSR_DATE, MSR_NUMBER DESC", ""};
}

QStringList resultInsertSql()
{
    QStringList lines = {"INSERT INTO MSR_RESULT_TABLE", "("};
    for (qsizetype i = 0; i < ResultColumns.size(); ++i)
        lines << "  " + ResultColumns[i] + (i + 1 < ResultColumns.size() ? "," : "");
    lines << ")"
          << "VALUES"
          << "(";
    for (qsizetype i = 0; i < ResultColumns.size(); ++i)
        lines << "  ?" + ResultColumns[i] +
                     (i == 0 ? ", " : (i + 1 < ResultColumns.size() ? "," : ""));
    lines << ")";
    return lines;
}

QStringList resultUpdateSql()
{
    QStringList lines = {"UPDATE MSR_RESULT_TABLE", "SET "};
    for (qsizetype i = 0; i < ResultColumns.size(); ++i)
        lines << "  " + ResultColumns[i] + " = ?" + ResultColumns[i] +
                     (i + 1 < ResultColumns.size() ? "," : "");
    lines << "WHERE"
          << "  MSR_RESULT_TABLE_PK = ?OLD_MSR_RESULT_TABLE_PK";
    return lines;
}

QStringList resultDeleteSql()
{
    return {"DELETE FROM MSR_RESULT_TABLE", "WHERE MSR_RESULT_TABLE_PK = ?OLD_MSR_RESULT_TABLE_PK"};
}

QStringList descriptionSelectSql()
{
    return {"SELECT * FROM DESC_TABLE"};
}

QStringList descriptionRefreshSql()
{
    return {"SELECT * FROM DESC_TABLE", "WHERE DESC_TABLE_PK = ?OLD_DESC_TABLE_PK"};
}

QStringList descriptionInsertSql()
{
    return {"INSERT INTO DESC_TABLE",
            "(",
            "  DESC_TABLE_PK,",
            "  DEVICE_NAME,",
            "  DEVICE_DATA_VERSION,",
            "  PROJECT_DESC",
            ")",
            "VALUES",
            "(",
            "  ?DESC_TABLE_PK,",
            "  ?DEVICE_NAME,",
            "  ?DEVICE_DATA_VERSION,",
            "  ?PROJECT_DESC",
            ")"};
}

QStringList descriptionUpdateSql()
{
    return {"UPDATE DESC_TABLE",
            "SET ",
            "  DESC_TABLE_PK = ?DESC_TABLE_PK,",
            "  DEVICE_NAME = ?DEVICE_NAME,",
            "  DEVICE_DATA_VERSION = ?DEVICE_DATA_VERSION,",
            "  PROJECT_DESC = ?PROJECT_DESC",
            "WHERE",
            "  DESC_TABLE_PK = ?OLD_DESC_TABLE_PK"};
}

QStringList descriptionDeleteSql()
{
    return {"DELETE FROM DESC_TABLE", "WHERE DESC_TABLE_PK = ?OLD_DESC_TABLE_PK"};
}

} // namespace

DataSetSql resultSql()
{
    return {resultSelectSql(), resultRefreshSql(), resultInsertSql(), resultUpdateSql(),
            resultDeleteSql()};
}

DataSetSql descriptionSql()
{
    return {descriptionSelectSql(), descriptionRefreshSql(), descriptionInsertSql(),
            descriptionUpdateSql(), descriptionDeleteSql()};
}

} // namespace ProjectSchema
