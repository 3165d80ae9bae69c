#pragma once

#include <QStringList>

// The statements of a dataset, each line by line: ?NAME and ?OLD_NAME in them name fields.
struct DataSetSql
{
    QStringList select;
    QStringList refresh;
    QStringList insert;
    QStringList update;
    QStringList remove;
};
