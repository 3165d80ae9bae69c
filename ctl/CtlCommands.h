// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ctl/CtlArguments.h"

// Runs the parsed command, writing its output to standard output or to its file. Throws
// CtlError (or the storage's std::exception) on failure, having written nothing.
void runCtlCommand(const CtlArguments& arguments);
