#pragma once

#include "report/BuiltReport.h"
#include "report/ReportRenderer.h"

class QPrinter;

namespace ReportPrinting {

// Prepares a printer for the report's sheet, measured from its corner.
void preparePrinter(QPrinter& printer, const BuiltReport& report);

// The pages, their order and the copies the user chose in the print dialog. Copies the printer
// cannot make itself (PDF files) are printed one after another.
ReportPrintJob jobFor(const QPrinter& printer, int pageCount);

bool print(const BuiltReport& report, QPrinter& printer, const RenderProgress& progress = {});

} // namespace ReportPrinting
