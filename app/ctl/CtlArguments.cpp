#include "CtlArguments.h"

#include "CtlErrors.h"

#include <QHash>

namespace {

// The project and output files each command takes.
const QHash<QString, int>& fileCounts()
{
    static const QHash<QString, int> counts{
        {QStringLiteral("read"), 1},   {QStringLiteral("export"), 2}, {QStringLiteral("report"), 2},
        {QStringLiteral("screen"), 1}, {QStringLiteral("info"), 1},
    };
    return counts;
}

int32_t choice(const QString& option, const QString& value, const QStringList& names)
{
    const auto index = names.indexOf(value);
    if (index < 0)
        throw CtlUsageError(QStringLiteral("%1: unknown value \"%2\" (expected %3)")
                                .arg(option, value, names.join(u'|')));
    return int32_t(index);
}

} // namespace

CtlArguments parseCtlArguments(const QStringList& words)
{
    CtlArguments arguments;
    bool hasUnitOptions = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (word == u"--demo") {
            arguments.demo = true;
        } else if (word == u"--measurand" || word == u"--unit") {
            if (i + 1 == words.size())
                throw CtlUsageError(word + QStringLiteral(": value missing"));
            const QString& value = words[++i];
            if (word == u"--measurand")
                arguments.measurandCode =
                    choice(word, value, {QStringLiteral("force"), QStringLiteral("stress")});
            else
                arguments.loadUnitCode =
                    choice(word, value, {QStringLiteral("kgf"), QStringLiteral("N")});
            hasUnitOptions = true;
        } else if (word.startsWith(u'-') && word.size() > 1) {
            throw CtlUsageError(QStringLiteral("unknown option \"%1\"").arg(word));
        } else if (arguments.command.isEmpty()) {
            arguments.command = word;
        } else {
            arguments.files.append(word);
        }
    }
    if (arguments.command.isEmpty())
        throw CtlUsageError(QStringLiteral("no command given"));
    const auto count = fileCounts().constFind(arguments.command);
    if (count == fileCounts().cend())
        throw CtlUsageError(QStringLiteral("unknown command \"%1\"").arg(arguments.command));
    if (arguments.files.size() != *count)
        throw CtlUsageError(QStringLiteral("%1: expected %2 file name(s), got %3")
                                .arg(arguments.command)
                                .arg(*count)
                                .arg(arguments.files.size()));
    if (hasUnitOptions && arguments.command != u"export" && arguments.command != u"report")
        throw CtlUsageError(
            QStringLiteral("%1: --measurand and --unit apply to export and report only")
                .arg(arguments.command));
    return arguments;
}

QString ctlUsage()
{
    return QStringLiteral(
        "usage: vornctl [--demo] COMMAND ARGS\n"
        "  read PROJECT.fdb                   read the instrument into the project\n"
        "  export PROJECT.fdb OUT.csv [OPTS]  write the results as CSV\n"
        "  report PROJECT.fdb OUT.pdf [OPTS]  write the report as PDF\n"
        "  screen OUT.bmp                     save the instrument's screen picture\n"
        "  info PROJECT.fdb                   show the project's identity and dates\n"
        "OPTS: --measurand force|stress  --unit kgf|N\n"
        "--demo uses the simulated demo instrument instead of the USB device.\n");
}
