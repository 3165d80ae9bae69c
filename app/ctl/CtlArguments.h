#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The command line of vornctl, checked for the command's number of files and its options.
struct CtlArguments
{
    QString command;
    QStringList files;
    bool demo = false;
    int32_t measurandCode = 0;
    int32_t loadUnitCode = 0;
};

// Throws CtlUsageError when the words do not form a known command; words exclude the program.
CtlArguments parseCtlArguments(const QStringList& words);

QString ctlUsage();
