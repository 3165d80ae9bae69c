#pragma once

#include "report/ReportTemplate.h"

#include <QFont>
#include <QFontMetricsF>
#include <QStringView>
#include <array>

class QPaintDevice;

namespace ReportFonts {

// Maps the template's Windows font names to their metric-compatible Liberation fonts.
void installSubstitutes();

// A font whose size, drawn on a painter whose logical unit is one report unit, is the
// template's point size. Kerning and hinting are off so that drawn widths match the layout.
QFont fontFor(const ReportFont& font, const QPaintDevice* device);

} // namespace ReportFonts

// Widths and heights of a report font in report units.
class ReportFontMetrics
{
public:
    explicit ReportFontMetrics(const ReportFont& font);

    double width(QStringView text) const;
    double ascent() const { return m_ascent; }
    // Height of one line rounded to whole units, so that cells of one font size place their
    // lines on the same whole-unit positions whatever the typeface.
    int lineHeight() const { return m_lineHeight; }

private:
    static constexpr int TableSize = 0x500; // Latin and Cyrillic

    QFont m_font;
    QFontMetricsF m_metrics;
    double m_scale;
    double m_ascent;
    int m_lineHeight;
    std::array<float, TableSize> m_advance{};
};
