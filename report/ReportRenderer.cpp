#include "report/ReportRenderer.h"

#include "report/ReportFonts.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <map>

namespace {

void drawBand(QPainter& painter, const ReportBand& band, float top)
{
    for (const ReportLine& line : band.lines) {
        painter.setPen(QPen(Qt::black, line.thickness, Qt::SolidLine, Qt::SquareCap));
        painter.drawLine(QLineF(line.x1, top + float(line.y1), line.x2, top + float(line.y2)));
    }
}

} // namespace

QPageLayout ReportRenderer::pageLayout(const BuiltReport& report)
{
    const QSizeF millimetres =
        QSizeF(report.pageWidth, report.pageHeight) * (25.4 / ReportUnits::PerInch);
    return QPageLayout(QPageSize(millimetres, QPageSize::Millimeter), QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

void ReportRenderer::drawPage(QPainter& painter, const BuiltReport& report, int page)
{
    const BuiltPage& built = report.pages[page];
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (const BuiltBand& band : built.bands)
        drawBand(painter, report.bands[band.band], band.top);

    std::map<std::pair<short, short>, QFont> fonts;
    painter.setPen(Qt::black);
    for (const BuiltText& t : built.texts) {
        const ReportCell& cell = report.cellOf(t);
        auto font = fonts.find({t.band, t.cell});
        if (font == fonts.end())
            font = fonts
                       .emplace(std::pair{t.band, t.cell},
                                ReportFonts::fontFor(cell.font, painter.device()))
                       .first;
        painter.setFont(font->second);
        const QPointF baseline(t.drawX, t.baseline);
        if (t.clipped) {
            // Undone explicitly: a restore() does not reach the recording that the print
            // preview replays, where the clip would then hide every text drawn after it.
            painter.setClipRect(QRectF(cell.x, t.cellTop, cell.width, cell.height));
            painter.drawText(baseline, t.text);
            painter.setClipping(false);
        } else {
            painter.drawText(baseline, t.text);
        }
    }
    painter.restore();
}

bool ReportRenderer::render(const BuiltReport& report, QPagedPaintDevice& device,
                            const ReportPrintJob& job, const RenderProgress& progress)
{
    const int last = job.lastPage < 0 ? int(report.pages.size()) - 1
                                      : std::min(job.lastPage, int(report.pages.size()) - 1);
    const int first = std::max(0, job.firstPage);
    if (first > last)
        return true;
    std::vector<int> pages;
    for (int p = first; p <= last; ++p)
        pages.push_back(p);
    if (job.lastPageFirst)
        std::reverse(pages.begin(), pages.end());
    std::vector<int> order;
    const int copies = std::max(1, job.copies);
    if (job.collate) {
        for (int c = 0; c < copies; ++c)
            order.insert(order.end(), pages.begin(), pages.end());
    } else {
        for (int p : pages)
            order.insert(order.end(), size_t(copies), p);
    }

    QPainter painter;
    if (!painter.begin(&device))
        return false;
    painter.scale(device.logicalDpiX() / ReportUnits::PerInch,
                  device.logicalDpiY() / ReportUnits::PerInch);
    for (size_t i = 0; i < order.size(); ++i) {
        if (progress && !progress(order[i] + 1)) {
            painter.end();
            return false;
        }
        if (i > 0)
            device.newPage();
        drawPage(painter, report, order[i]);
    }
    return painter.end();
}
