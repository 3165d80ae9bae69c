// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

// One run of the real vornctl executable.
struct VornctlRun
{
    bool crashed = false;
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// The environment of the test, where a sanitizer build keeps its summary of suppressed leaks
// off stderr, which the tests read as the tool's messages.
inline QProcessEnvironment vornctlEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString lsan = environment.value(QStringLiteral("LSAN_OPTIONS"));
    environment.insert(QStringLiteral("LSAN_OPTIONS"),
                       lsan + (lsan.isEmpty() ? "" : ":") + QStringLiteral("print_suppressions=0"));
    return environment;
}

struct VornctlOptions
{
    QProcessEnvironment environment = vornctlEnvironment();
    QString workingDirectory;
    // Runs in the child before exec, for resource limits.
    std::function<void()> childModifier;
};

inline VornctlRun runVornctl(const QStringList& arguments, const VornctlOptions& options = {})
{
    QProcess process;
    process.setProcessEnvironment(options.environment);
    if (!options.workingDirectory.isEmpty())
        process.setWorkingDirectory(options.workingDirectory);
    if (options.childModifier)
        process.setChildProcessModifier(options.childModifier);
    process.start(QStringLiteral(VORNCTL_PATH), arguments);
    if (!process.waitForFinished(20000))
        process.kill();
    process.waitForFinished(5000);
    VornctlRun run;
    run.crashed = process.exitStatus() != QProcess::NormalExit;
    run.exitCode = run.crashed ? -1 : process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
