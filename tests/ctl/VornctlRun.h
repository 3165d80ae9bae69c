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

struct VornctlOptions
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
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
