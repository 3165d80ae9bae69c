#pragma once

#include "report/ReportTemplate.h"

#include <QString>
#include <vector>

// One printed line of a cell. x and y are where the text record stands for export (y is the
// top of the line); drawX and baseline are where the text is drawn.
struct BuiltText
{
    QString text;
    float x = 0;
    float y = 0;
    float drawX = 0;
    float baseline = 0;
    float cellTop = 0;
    short band = 0;
    short cell = 0;
    bool clipped = false; // the line reaches beyond its cell and must be cut at its edges
};

struct BuiltBand
{
    short band = 0;
    float top = 0;
};

struct BuiltPage
{
    std::vector<BuiltBand> bands;
    std::vector<BuiltText> texts;
};

// The laid-out report: every page with the bands placed on it and the texts they print.
// It keeps a copy of the bands it was built from, so later changes of the template do not
// alter a report already built.
struct BuiltReport
{
    int pageWidth = ReportUnits::A4Width;
    int pageHeight = ReportUnits::A4Height;
    std::vector<ReportBand> bands;
    std::vector<BuiltPage> pages;

    const ReportCell& cellOf(const BuiltText& t) const { return bands[t.band].cells[t.cell]; }
};
