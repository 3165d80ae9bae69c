#pragma once

#include "report/BuiltReport.h"

#include <QPageLayout>
#include <functional>

class QPagedPaintDevice;
class QPainter;

// The pages to print (0-based, inclusive; -1 for the last) and how often.
struct ReportPrintJob
{
    int firstPage = 0;
    int lastPage = -1;
    int copies = 1;
    bool collate = true;
    bool lastPageFirst = false;
};

// Told the number of the page being printed; false cancels.
using RenderProgress = std::function<bool(int page)>;

namespace ReportRenderer {

// The sheet of the report without margins, so that (0,0) is its top-left corner.
QPageLayout pageLayout(const BuiltReport& report);

// Draws one page on a painter whose logical unit is one report unit.
void drawPage(QPainter& painter, const BuiltReport& report, int page);

// Prints the job on a paged device (a printer, a PDF writer) whose page layout is already
// set. Returns false when the painter cannot start on the device or progress cancels.
bool render(const BuiltReport& report, QPagedPaintDevice& device, const ReportPrintJob& job = {},
            const RenderProgress& progress = {});

} // namespace ReportRenderer
