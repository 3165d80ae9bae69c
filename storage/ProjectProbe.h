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

} // namespace ProjectProbe
