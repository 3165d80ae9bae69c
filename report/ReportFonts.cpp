#include "report/ReportFonts.h"

#include <QImage>
#include <QPaintDevice>
#include <cmath>

namespace {

// Metrics are taken at this multiple of the real size so that rounding inside the font
// engine stays far below a report unit.
constexpr double MeasureScale = 16.0;

const QImage& measureDevice()
{
    static const QImage image(1, 1, QImage::Format_ARGB32);
    return image;
}

QFont scaledFont(const ReportFont& font, const QPaintDevice* device, double scale)
{
    ReportFonts::installSubstitutes();
    QFont f(font.family);
    f.setBold(font.bold);
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    f.setPointSizeF(font.pointSize * ReportUnits::PerInch / device->logicalDpiY() * scale);
    return f;
}

} // namespace

void ReportFonts::installSubstitutes()
{
    static const bool installed = [] {
        QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                                  QStringLiteral("Liberation Serif"));
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        return true;
    }();
    Q_UNUSED(installed);
}

QFont ReportFonts::fontFor(const ReportFont& font, const QPaintDevice* device)
{
    return scaledFont(font, device, 1.0);
}

ReportFontMetrics::ReportFontMetrics(const ReportFont& font)
    : m_font(scaledFont(font, &measureDevice(), MeasureScale)), m_metrics(m_font, &measureDevice()),
      m_scale(1.0 / MeasureScale), m_ascent(m_metrics.ascent() * m_scale),
      m_lineHeight(int(std::lround(m_metrics.height() * m_scale)))
{
    for (int c = 0; c < TableSize; ++c)
        m_advance[c] = float(m_metrics.horizontalAdvance(QChar(c)) * m_scale);
}

double ReportFontMetrics::width(QStringView text) const
{
    double w = 0;
    for (QChar c : text) {
        if (c.unicode() < TableSize)
            w += m_advance[c.unicode()];
        else
            return m_metrics.horizontalAdvance(text.toString()) * m_scale;
    }
    return w;
}
