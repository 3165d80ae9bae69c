// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ctl/CtlArguments.h"

// Runs the parsed command, writing its output to standard output or to its file. Throws
// CtlError (or the storage's std::exception) on failure, having written nothing.
void runCtlCommand(const CtlArguments& arguments);

// Throws CtlError when the process could not open the files that the command needs: the Qt
// event loop and the engine end the process, or fail for misleading reasons, without them.
// Call it before the application object is made.
void checkOpenFileRoom(const CtlArguments& arguments);
