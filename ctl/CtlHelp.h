// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The whole usage, printed by --help.
QString ctlUsage();
// The usage of one command, printed by "help COMMAND" and "COMMAND --help".
QString ctlCommandHelp(const QString& command);
// The short hint after a usage error.
QString ctlUsageHint();
