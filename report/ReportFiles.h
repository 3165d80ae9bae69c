// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "report/ReportBuilder.h"

#include <QString>

// What the export's writers share about the files they write.
namespace ReportFiles {

// The chosen name with its extension replaced by `extension` (".csv"), added when it has none.
QString withExtension(const QString& chosen, const QString& extension);

// "Cannot create file "<path>". <reason>" and "Cannot write file "<path>". <reason>".
ReportError cannotCreate(const QString& path, const QString& reason);
ReportError cannotWrite(const QString& path, const QString& reason);

} // namespace ReportFiles
