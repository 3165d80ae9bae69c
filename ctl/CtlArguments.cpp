// SPDX-License-Identifier: GPL-3.0-or-later
#include "ctl/CtlArguments.h"

#include "ctl/CtlErrors.h"

#include <QHash>

namespace {

struct CommandShape
{
    int files = 0;
    bool units = false;
};

const QHash<QString, CommandShape>& commandShapes()
{
    static const QHash<QString, CommandShape> shapes{
        {QStringLiteral("read"), {1, false}},  {QStringLiteral("export"), {2, true}},
        {QStringLiteral("report"), {2, true}}, {QStringLiteral("screen"), {1, false}},
        {QStringLiteral("info"), {1, false}},  {QStringLiteral("list"), {1, true}},
    };
    return shapes;
}

int32_t choice(const QString& option, const QString& value, const QStringList& names)
{
    const auto index = names.indexOf(value);
    if (index < 0)
        throw CtlUsageError(QStringLiteral("%1: недопустимое значение «%2» (возможны: %3)")
                                .arg(option, value, names.join(QStringLiteral(", "))));
    return int32_t(index);
}

bool takesValue(const QString& option)
{
    return option == u"--measurand" || option == u"--unit" || option == u"--format";
}

} // namespace

QStringList ctlFormats(const QString& command)
{
    if (command == u"info")
        return {QStringLiteral("text"), QStringLiteral("json")};
    if (command == u"list")
        return {QStringLiteral("tsv"), QStringLiteral("json")};
    if (command == u"export")
        return {QStringLiteral("csv"), QStringLiteral("xlsx")};
    return {};
}

CtlArguments parseCtlArguments(const QStringList& words)
{
    CtlArguments arguments;
    QStringList operands;
    QStringList unitOptions;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        const bool isOption = !optionsEnded && word.size() > 1 && word.startsWith(u'-');
        if (!isOption) {
            operands.append(word);
            continue;
        }
        if (word == u"--") {
            optionsEnded = true;
            continue;
        }
        QString option = word;
        QString value;
        bool hasValue = false;
        if (const auto equals = word.indexOf(u'='); word.startsWith(u"--") && equals > 0) {
            option = word.left(equals);
            value = word.mid(equals + 1);
            hasValue = true;
        }
        if (takesValue(option)) {
            if (!hasValue) {
                if (i + 1 == words.size())
                    throw CtlUsageError(option + QStringLiteral(": не указано значение"));
                value = words[++i];
            }
            if (option == u"--format") {
                arguments.format = value;
            } else {
                unitOptions.append(option);
                if (option == u"--measurand")
                    arguments.measurandCode =
                        choice(option, value, {QStringLiteral("force"), QStringLiteral("stress")});
                else
                    arguments.loadUnitCode =
                        choice(option, value, {QStringLiteral("kgf"), QStringLiteral("N")});
            }
            continue;
        }
        if (hasValue)
            throw CtlUsageError(option + QStringLiteral(": параметр не принимает значения"));
        if (option == u"--demo")
            arguments.demo = true;
        else if (option == u"--verbose")
            arguments.verbose = true;
        else if (option == u"--help" || option == u"-h")
            arguments.help = true;
        else if (option == u"--version")
            arguments.version = true;
        else
            throw CtlUsageError(QStringLiteral("неизвестный параметр «%1»").arg(word));
    }

    if (arguments.version)
        return arguments;
    if (!operands.isEmpty() && operands.first() == u"help") {
        arguments.help = true;
        operands.removeFirst();
        if (operands.size() > 1)
            throw CtlUsageError(QStringLiteral("help: укажите не более одной команды"));
        arguments.helpTopic = operands.value(0);
    } else if (arguments.help) {
        arguments.helpTopic = operands.value(0);
    }
    if (arguments.help) {
        if (!arguments.helpTopic.isEmpty() && !commandShapes().contains(arguments.helpTopic))
            throw CtlUsageError(
                QStringLiteral("неизвестная команда «%1»").arg(arguments.helpTopic));
        return arguments;
    }

    if (operands.isEmpty())
        throw CtlUsageError(QStringLiteral("не указана команда"));
    arguments.command = operands.takeFirst();
    arguments.files = operands;
    const auto shape = commandShapes().constFind(arguments.command);
    if (shape == commandShapes().cend())
        throw CtlUsageError(QStringLiteral("неизвестная команда «%1»").arg(arguments.command));
    if (arguments.files.size() != shape->files)
        throw CtlUsageError(QStringLiteral("%1: ожидается файлов: %2, указано: %3")
                                .arg(arguments.command)
                                .arg(shape->files)
                                .arg(arguments.files.size()));
    if (!unitOptions.isEmpty() && !shape->units)
        throw CtlUsageError(
            QStringLiteral("%1: параметр %2 применим только к export, report и list")
                .arg(arguments.command, unitOptions.first()));
    const QStringList formats = ctlFormats(arguments.command);
    if (!arguments.format.isEmpty()) {
        if (formats.isEmpty())
            throw CtlUsageError(
                QStringLiteral("%1: параметр --format применим только к export, info и list")
                    .arg(arguments.command));
        choice(QStringLiteral("--format"), arguments.format, formats);
    } else if (arguments.command == u"export") {
        // Without --format the output's extension decides: ".xlsx" gives the workbook.
        const bool workbook =
            arguments.files.size() > 1 &&
            arguments.files[1].endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive);
        arguments.format = workbook ? formats[1] : formats[0];
    } else if (!formats.isEmpty()) {
        arguments.format = formats.first();
    }
    return arguments;
}
