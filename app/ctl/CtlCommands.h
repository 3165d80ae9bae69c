#pragma once

#include "CtlArguments.h"

#include <QTextStream>

// Runs the parsed command; normal output goes to out. Throws CtlError (or the storage's
// std::exception) on failure, having written nothing.
void runCtlCommand(const CtlArguments& arguments, QTextStream& out);
