#include "report/ReportBuilder.h"

#include "report/ReportFonts.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

enum class NameKind
{
    Field,
    Date,
    Time,
    Page,
    Unknown
};

struct Segment
{
    QString literal; // used when name is empty
    QString name;
    NameKind kind = NameKind::Unknown;
    QString field;
    bool integer = false;
};

struct CompiledCell
{
    const ReportCell* cell = nullptr;
    const ReportFontMetrics* metrics = nullptr;
    std::vector<Segment> segments;
};

struct CompiledBand
{
    const ReportBand* band = nullptr;
    std::vector<CompiledCell> cells;
};

enum BandIndex : short
{
    Header,
    Data,
    Footer
};

// A field is written Source."FIELD" or Source.FIELD.
QString fieldOf(const QString& name, const QString& source)
{
    if (!name.startsWith(source) || name.size() <= source.size() + 1 ||
        name.at(source.size()) != u'.')
        return {};
    QString field = name.mid(source.size() + 1);
    if (field.size() >= 2 && field.startsWith(u'"') && field.endsWith(u'"'))
        field = field.mid(1, field.size() - 2);
    return field;
}

class Builder
{
public:
    Builder(const ReportTemplate& layout, ReportRowSource& rows, const ReportBuildContext& context)
        : m_rows(rows), m_context(context),
          m_dateText(reportDateText(context.moment, context.locale)),
          m_timeText(reportTimeText(context.moment, context.locale))
    {
        m_report.pageWidth = layout.pageWidth;
        m_report.pageHeight = layout.pageHeight;
        m_report.bands = {layout.masterHeader, layout.masterData, layout.pageFooter};
        for (const ReportBand& band : m_report.bands)
            m_bands.push_back(compile(band));
    }

    BuiltReport run()
    {
        const ReportBand& header = m_report.bands[Header];
        const ReportBand& data = m_report.bands[Data];
        const ReportBand& footer = m_report.bands[Footer];
        const int footerTop = m_report.pageHeight - (footer.visible ? footer.height : 0);

        startPage();
        bool headerPrinted = false;
        bool pageHasRows = false;
        for (m_rows.first(); !m_rows.atEnd(); m_rows.next()) {
            const int needed = data.height + (!headerPrinted && header.visible ? header.height : 0);
            // A page that holds nothing yet takes the row even if it overflows, so that an
            // oversized band cannot make pages forever.
            if (pageHasRows && m_y + needed > footerTop) {
                finishPage();
                startPage();
                pageHasRows = false;
                if (header.visible && header.repeatHeader)
                    place(Header);
            }
            if (!headerPrinted) {
                if (header.visible)
                    place(Header);
                headerPrinted = true;
            }
            place(Data);
            pageHasRows = true;
        }
        finishPage();
        return std::move(m_report);
    }

private:
    CompiledBand compile(const ReportBand& band)
    {
        CompiledBand compiled{&band, {}};
        for (const ReportCell& cell : band.cells)
            compiled.cells.push_back({&cell, metricsFor(cell.font), parse(cell.text)});
        return compiled;
    }

    const ReportFontMetrics* metricsFor(const ReportFont& font)
    {
        for (const auto& [f, metrics] : m_metrics) {
            if (f == font)
                return metrics.get();
        }
        m_metrics.emplace_back(font, std::make_unique<ReportFontMetrics>(font));
        return m_metrics.back().second.get();
    }

    std::vector<Segment> parse(const QString& text) const
    {
        std::vector<Segment> segments;
        qsizetype pos = 0;
        while (pos < text.size()) {
            const qsizetype open = text.indexOf(u'[', pos);
            const qsizetype close = open < 0 ? -1 : text.indexOf(u']', open + 1);
            if (close < 0) {
                segments.push_back({text.mid(pos), {}, NameKind::Unknown, {}, false});
                break;
            }
            if (open > pos)
                segments.push_back({text.mid(pos, open - pos), {}, NameKind::Unknown, {}, false});
            segments.push_back(resolve(text.mid(open + 1, close - open - 1)));
            pos = close + 1;
        }
        return segments;
    }

    Segment resolve(const QString& name) const
    {
        Segment s{{}, name, NameKind::Unknown, {}, false};
        const QString field = fieldOf(name, m_rows.name());
        if (!field.isEmpty() && m_rows.hasField(field)) {
            s.kind = NameKind::Field;
            s.field = field;
            s.integer = m_rows.isIntegerField(field);
        } else if (name == u"DATE") {
            s.kind = NameKind::Date;
        } else if (name == u"TIME") {
            s.kind = NameKind::Time;
        } else if (name == u"PAGE#") {
            s.kind = NameKind::Page;
        }
        return s;
    }

    QString value(const Segment& s, const ReportCell& cell) const
    {
        if (m_context.getValue) {
            QVariant answer;
            m_context.getValue(s.name, answer);
            if (answer.isValid())
                return answer.toString();
        }
        switch (s.kind) {
        case NameKind::Field:
            return s.integer ? QString::number(m_rows.integerValue(s.field))
                             : m_rows.displayText(s.field);
        case NameKind::Date:
            return m_dateText;
        case NameKind::Time:
            return m_timeText;
        case NameKind::Page:
            return QString::number(m_pageNumber);
        case NameKind::Unknown:
            break;
        }
        throw ReportError(
            QStringLiteral("Unknown name \"%1\" in %2.").arg(s.name, cell.name).toStdString());
    }

    QString evaluate(const CompiledCell& cell) const
    {
        if (cell.segments.size() == 1)
            return cell.segments.front().name.isEmpty() ? cell.segments.front().literal
                                                        : value(cell.segments.front(), *cell.cell);
        QString text;
        for (const Segment& s : cell.segments)
            text += s.name.isEmpty() ? s.literal : value(s, *cell.cell);
        return text;
    }

    static void wrap(const QString& text, double room, const ReportFontMetrics& metrics,
                     bool wordWrap, QStringList& lines)
    {
        lines.clear();
        // Nearly every cell is one line that fits, which needs neither splitting nor copies.
        if (!text.contains(u'\n') && !text.contains(u'\r') &&
            (!wordWrap || metrics.width(text) <= room)) {
            lines += text;
            return;
        }
        const QStringList paragraphs = QString(text).remove(u'\r').split(u'\n');
        for (const QString& paragraph : paragraphs) {
            if (!wordWrap || metrics.width(paragraph) <= room) {
                lines += paragraph;
                continue;
            }
            QString line;
            for (const QString& word : paragraph.split(u' ')) {
                const QString candidate = line.isEmpty() ? word : line + u' ' + word;
                if (metrics.width(candidate) <= room) {
                    line = candidate;
                    continue;
                }
                if (!line.isEmpty())
                    lines += line;
                line = word;
                // A word wider than the cell is broken between characters.
                while (line.size() > 1 && metrics.width(line) > room) {
                    qsizetype fit = 1;
                    while (fit + 1 < line.size() &&
                           metrics.width(QStringView(line).left(fit + 1)) <= room)
                        ++fit;
                    lines += line.left(fit);
                    line = line.mid(fit);
                }
            }
            lines += line;
        }
    }

    void layOut(const CompiledCell& compiled, short band, short cellIndex, float bandTop)
    {
        const QString text = evaluate(compiled);
        if (text.isEmpty())
            return;
        const ReportCell& cell = *compiled.cell;
        const ReportFontMetrics& metrics = *compiled.metrics;
        const double room = cell.width - cell.insetLeft - cell.insetRight;
        wrap(text, room, metrics, cell.wordWrap, m_lines);
        const QStringList& lines = m_lines;

        const int lineHeight = metrics.lineHeight();
        const int pitch = lineHeight + cell.lineSpacing;
        const auto offsetFor = [&](int count) {
            return std::max(0,
                            (cell.height - cell.insetTop - (count * pitch - cell.lineSpacing)) / 2);
        };
        // A cut cell prints only the lines whose baselines lie inside it, centred as a block of
        // their own so that they stay on the row of the neighbouring cells; the rest is neither
        // drawn nor exported.
        int n = int(lines.size());
        while (cell.clip && n > 0 &&
               cell.insetTop + offsetFor(n) + (n - 1) * pitch + metrics.ascent() > cell.height)
            --n;
        const int offset = offsetFor(n);
        const float top = bandTop + float(cell.y);
        const float bottom = top + float(cell.height);
        auto& texts = m_page.texts;
        for (int k = 0; k < n; ++k) {
            const float y = top + float(cell.insetTop + offset + k * pitch);
            if (lines[k].isEmpty())
                continue;
            const double width = metrics.width(lines[k]);
            BuiltText t;
            t.text = lines[k];
            t.y = y;
            t.baseline = y + float(metrics.ascent());
            t.cellTop = top;
            t.band = band;
            t.cell = cellIndex;
            switch (cell.alignment) {
            case Qt::AlignRight:
                t.x = float(cell.x + cell.width + 1);
                t.drawX = float(cell.x + cell.width - cell.insetRight - width);
                break;
            case Qt::AlignHCenter:
                t.x = t.drawX = float(cell.x + cell.insetLeft + (room - width) / 2);
                break;
            default:
                t.x = t.drawX = float(cell.x + cell.insetLeft);
                break;
            }
            t.clipped = cell.clip && (width > room || y + float(lineHeight) > bottom);
            texts.push_back(std::move(t));
        }
    }

    void place(short band)
    {
        const CompiledBand& compiled = m_bands[band];
        m_page.bands.push_back({band, float(m_y)});
        for (size_t i = 0; i < compiled.cells.size(); ++i)
            layOut(compiled.cells[i], band, short(i), float(m_y));
        m_y += compiled.band->height;
    }

    void startPage()
    {
        ++m_pageNumber;
        m_y = 0;
        if (m_context.progress && !m_context.progress(m_pageNumber))
            throw ReportCancelled();
    }

    void finishPage()
    {
        const ReportBand& footer = m_report.bands[Footer];
        if (footer.visible) {
            m_y = m_report.pageHeight - footer.height;
            place(Footer);
        }
        if (m_context.pageSink) {
            m_context.pageSink(m_report, m_page);
            // Cleared rather than replaced, so that the next page reuses the storage.
            m_page.bands.clear();
            m_page.texts.clear();
        } else {
            m_report.pages.push_back(std::move(m_page));
            m_page = {};
        }
    }

    ReportRowSource& m_rows;
    const ReportBuildContext& m_context;
    const QString m_dateText;
    const QString m_timeText;
    BuiltReport m_report;
    BuiltPage m_page;
    int m_pageNumber = 0;
    QStringList m_lines; // of the cell being laid out, kept so that cells reuse its storage
    std::vector<std::pair<ReportFont, std::unique_ptr<ReportFontMetrics>>> m_metrics;
    std::vector<CompiledBand> m_bands;
    int m_y = 0;
};

} // namespace

BuiltReport buildReport(const ReportTemplate& layout, ReportRowSource& rows,
                        const ReportBuildContext& context)
{
    return Builder(layout, rows, context).run();
}

QString reportDateText(const QDateTime& moment, const QLocale& locale)
{
    return locale.toString(moment.date(), QLocale::ShortFormat);
}

QString reportTimeText(const QDateTime& moment, const QLocale& locale)
{
    // The long format may name the time zone ("t"); the footer shows the time of day only.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString withoutZone;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            withoutZone += c;
    }
    return locale.toString(moment.time(), withoutZone.trimmed());
}
