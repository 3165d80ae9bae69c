#pragma once

#include <QString>

// Some damaged files make the engine wait forever inside attach, with no way to stop it from
// the outside, or crash it. Before the real open, a copy of the running program reads the file
// in a child process, and the open goes ahead only when the child ends within the time limit.
namespace ProjectProbe {

enum class Verdict
{
    Passed,  // the child attached and read the file, or failed as the real open will
    Hung,    // the child did not end within the time limit and was killed
    Crashed, // the engine ended the child
    NotRun   // no child could be started; the open goes ahead unprotected
};

Verdict probe(const QString& path, int timeoutMs = 6000);

// For a program that is itself a throw-away process watched from outside (the damaged-project
// fuzzer's jobs under libFuzzer's -fork): the probe reads the file in this process, so a hang
// or a crash ends this process instead of a child, and every verdict is Passed.
void setInThisProcess(bool inProcess);

} // namespace ProjectProbe
