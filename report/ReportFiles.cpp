// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/ReportFiles.h"

#include "common/FileErrorTexts.h"

#include <QDir>

#include <algorithm>

namespace ReportFiles {

QString withExtension(const QString& chosen, const QString& extension)
{
    const qsizetype nameStart =
        std::max(chosen.lastIndexOf(u'/'), chosen.lastIndexOf(QDir::separator())) + 1;
    const qsizetype dot = chosen.lastIndexOf(u'.');
    const QString stem = dot >= nameStart ? chosen.left(dot) : chosen;
    return stem + extension;
}

ReportError cannotCreate(const QString& path, const QString& reason)
{
    return ReportError(
        FileErrorTexts::cannotCreate(QDir::toNativeSeparators(path), reason).toStdString());
}

ReportError cannotWrite(const QString& path, const QString& reason)
{
    return ReportError(
        FileErrorTexts::cannotWrite(QDir::toNativeSeparators(path), reason).toStdString());
}

} // namespace ReportFiles
