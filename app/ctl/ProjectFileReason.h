// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Why a project file could not be opened or created, in Russian, found by looking at the file
// and its folder after the storage refused it without giving a reason.
namespace ProjectFileReason {

QString WhyNotOpened(const QString& path);
QString WhyNotCreated(const QString& path);
// Another process holds the file's lock, as the engine does for an open project.
bool IsLockedByAnotherProcess(const QString& path);

} // namespace ProjectFileReason
