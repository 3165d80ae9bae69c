#include "report/ReportPrinting.h"

#include <QPrinter>

void ReportPrinting::preparePrinter(QPrinter& printer, const BuiltReport& report)
{
    printer.setFullPage(true);
    printer.setPageLayout(ReportRenderer::pageLayout(report));
}

ReportPrintJob ReportPrinting::jobFor(const QPrinter& printer, int pageCount)
{
    ReportPrintJob job;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        job.firstPage = printer.fromPage() - 1;
        job.lastPage = std::min(std::max(printer.toPage(), printer.fromPage()), pageCount) - 1;
    }
    // The print dialog sets the order on the printer, but no print engine applies it.
    job.lastPageFirst = printer.pageOrder() == QPrinter::LastPageFirst;
    if (!printer.supportsMultipleCopies()) {
        job.copies = printer.copyCount();
        job.collate = printer.collateCopies();
    }
    return job;
}

bool ReportPrinting::print(const BuiltReport& report, QPrinter& printer,
                           const RenderProgress& progress)
{
    return ReportRenderer::render(report, printer, jobFor(printer, int(report.pages.size())),
                                  progress);
}
