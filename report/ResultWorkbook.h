// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QIODevice;
class TMainDataModule;

// Told how many results have been written and how many there are; false cancels.
using WorkbookProgress = std::function<bool(int written, int total)>;

// The results of the open project as an Excel workbook for analysis: sheet "Результаты" with
// every field of every result in the results table's order, "Сводка" with the statistics of F
// per kind and diameter, "Описание" with the project's description and file name. F is given
// in the data module's selected measurand and unit. The file is written through a temporary
// file that replaces the target only when complete, so a failure leaves an earlier file as it
// was. Throws ReportError on failure; returns false when progress cancelled.
bool saveResultWorkbook(TMainDataModule& dataModule, const QString& projectFile,
                        const QString& path, const WorkbookProgress& progress = {});

// The same workbook written into a device (standard output, a buffer). Throws ReportError
// with the reason; returns false when progress cancelled.
bool writeResultWorkbook(TMainDataModule& dataModule, const QString& projectFile, QIODevice& device,
                         const WorkbookProgress& progress = {});

// The chosen name with its extension replaced by ".xlsx" (added when it has none).
QString workbookFileName(const QString& chosen);
