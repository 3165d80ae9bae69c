// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The command line of vornctl, checked against what the command takes.
struct CtlArguments
{
    QString command;
    QStringList files;
    bool demo = false;
    bool verbose = false;
    // --help, -h or "help": the usage of helpTopic (a command) or of the whole tool.
    bool help = false;
    QString helpTopic;
    bool version = false;
    int32_t measurandCode = 0;
    int32_t loadUnitCode = 0;
    // Empty for the command's default format.
    QString format;
};

// Throws CtlUsageError when the words do not form a known command; words exclude the program.
CtlArguments parseCtlArguments(const QStringList& words);

// The formats that a command prints; the first is its default.
QStringList ctlFormats(const QString& command);
