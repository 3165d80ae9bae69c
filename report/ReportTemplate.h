#pragma once

#include <QString>
#include <Qt>
#include <vector>

// Lengths of a report template are in report units of 1/91.6256 inch, measured from the
// top-left corner of the sheet (x) and of the band (y).
namespace ReportUnits {
constexpr double PerInch = 91.6256;
constexpr double PerPoint = PerInch / 72.0;
constexpr int A4Width = 758;
constexpr int A4Height = 1071;
} // namespace ReportUnits

struct ReportFont
{
    QString family;
    double pointSize = 10.0;
    bool bold = false;

    friend bool operator==(const ReportFont&, const ReportFont&) = default;
};

// A text box. Its text may hold bracketed names ("[DATE]", "[Source."FIELD"]") that are
// replaced by their values when the band is printed.
struct ReportCell
{
    QString name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    ReportFont font;
    Qt::AlignmentFlag alignment = Qt::AlignLeft;
    QString text;
    int insetLeft = 2;
    int insetRight = 2;
    int insetTop = 1;
    int lineSpacing = 2;
    bool wordWrap = true;
    bool clip = true;
};

struct ReportLine
{
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    int thickness = 1;
};

struct ReportBand
{
    QString name;
    int height = 0;
    bool visible = true;
    bool repeatHeader = false; // header bands only: printed again on top of every page
    std::vector<ReportCell> cells;
    std::vector<ReportLine> lines;
};

// One page layout with a header band, a data band printed once per row and a page footer.
struct ReportTemplate
{
    QString pageName;
    int pageWidth = ReportUnits::A4Width;
    int pageHeight = ReportUnits::A4Height;
    ReportBand masterHeader;
    ReportBand masterData;
    ReportBand pageFooter;
};

// The measurement report: title, ruled table of date, time, number, kind, diameter and F,
// and a footer with the build's date, time and the page number.
ReportTemplate measurementReportTemplate();
