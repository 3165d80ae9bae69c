#include "report/CsvExport.h"

#include "common/OutputGuard.h"

#include "report/ReportBuilder.h"
#include "report/ReportFiles.h"

#include <QIODevice>
#include <QSaveFile>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Nearest integer, halves to the even neighbour (the default floating-point rounding mode).
long roundHalfEven(double v)
{
    return std::lrint(v);
}

struct Placed
{
    long row;
    long column;
    float x;
    int index; // on the page
};

// Appends the lines of the page to text, calling lineEnd(text) after each line that is not
// empty. order is scratch space kept by the caller so that pages reuse it.
template <typename LineEnd>
void appendLines(const BuiltPage& page, QString& text, std::vector<Placed>& order,
                 const LineEnd& lineEnd)
{
    const std::vector<BuiltText>& texts = page.texts;
    order.clear();
    for (size_t i = 0; i < texts.size(); ++i)
        order.push_back({roundHalfEven(texts[i].y / CsvExport::RowPitch),
                         roundHalfEven(texts[i].x / CsvExport::ColumnPitch), texts[i].x, int(i)});
    // Lines top to bottom, records along a line by X; of records with the same X the later
    // one on the page comes first.
    const auto before = [](const Placed& a, const Placed& b) {
        if (a.row != b.row)
            return a.row < b.row;
        if (a.x < b.x || b.x < a.x)
            return a.x < b.x;
        return a.index > b.index;
    };
    // The builder places cells left to right and bands top to bottom: pages come in order.
    if (!std::is_sorted(order.begin(), order.end(), before))
        std::sort(order.begin(), order.end(), before);
    for (size_t k = 0; k < order.size();) {
        const long row = order[k].row;
        const qsizetype start = text.size();
        long previous = 0;
        for (; k < order.size() && order[k].row == row; ++k) {
            const QString& record = texts[order[k].index].text;
            const long column = order[k].column;
            if (column > previous)
                text.resize(text.size() + (column - previous), u';');
            if (record.contains(u';')) {
                text += u'"';
                text += record;
                text += u'"';
            } else {
                text += record;
            }
            previous = column;
        }
        if (text.size() > start)
            lineEnd(text);
    }
}

// Turns pages into their bytes, keeping the encoder and the buffers from page to page.
class PageEncoder
{
public:
    PageEncoder()
    {
        // Windows-1251 is one byte per character, so Latin and Cyrillic text is encoded from
        // a table that the encoder itself fills once.
        QStringEncoder single("windows-1251");
        for (char16_t c = 0; c < TableSize; ++c) {
            const QByteArray b = single.encode(QStringView(&c, 1));
            m_table[c] = b.size() == 1 ? qint16(uchar(b[0])) : qint16(-1);
        }
    }

    QByteArrayView bytes(const BuiltPage& page)
    {
        m_text.resize(0);
        appendLines(page, m_text, m_order, [](QString& text) { text += QLatin1String("\r\n"); });
        m_bytes.resize(m_text.size());
        char* out = m_bytes.data();
        for (const QChar c : std::as_const(m_text)) {
            const char16_t u = c.unicode();
            if (u >= TableSize || m_table[u] < 0)
                return encoded();
            *out++ = char(m_table[u]);
        }
        return m_bytes;
    }

private:
    static constexpr char16_t TableSize = 0x500;

    // The encoder's own way, for a page with other characters. Every page ends with a line
    // end, so no state is left over from a page that went by the table.
    QByteArrayView encoded()
    {
        m_bytes.resize(m_encoder.requiredSpace(m_text.size()));
        const char* end = m_encoder.appendToBuffer(m_bytes.data(), m_text);
        return {m_bytes.constData(), end - m_bytes.constData()};
    }

    QStringEncoder m_encoder{"windows-1251"};
    std::array<qint16, TableSize> m_table{};
    QString m_text;
    QByteArray m_bytes;
    std::vector<Placed> m_order;
};

// A device may take part of a block; only a write that takes nothing is a failure.
bool writeAll(QIODevice& device, QByteArrayView bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = device.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

struct SinkRefused
{
};

template <typename Write> bool saveThrough(const QString& path, const Write& write)
{
    if (OutputGuard::wouldDestroyProject(path))
        throw ReportError(OutputGuard::refusal(path).toStdString());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ReportFiles::cannotCreate(path, file.errorString());
    CsvExport csv;
    if (!write(csv, file)) {
        file.cancelWriting();
        if (csv.cancelled())
            return false;
    }
    if (!csv.error().isEmpty() || !file.commit())
        throw ReportFiles::cannotWrite(path,
                                       csv.error().isEmpty() ? file.errorString() : csv.error());
    return true;
}

} // namespace

QStringList CsvExport::pageLines(const BuiltReport& report, int page)
{
    QStringList lines;
    QString line;
    std::vector<Placed> order;
    appendLines(report.pages[page], line, order, [&lines](QString& text) {
        lines += text;
        text.clear();
    });
    return lines;
}

bool CsvExport::write(const BuiltReport& report, QIODevice& device, const CsvProgress& progress)
{
    m_cancelled = false;
    m_error.clear();
    PageEncoder encoder;
    const int pageCount = int(report.pages.size());
    for (int page = 0; page < pageCount; ++page) {
        if (progress && !progress(page + 1, pageCount)) {
            m_cancelled = true;
            return false;
        }
        if (!writeAll(device, encoder.bytes(report.pages[page]))) {
            m_error = device.errorString();
            return false;
        }
    }
    return true;
}

bool CsvExport::writeStreamed(ReportTemplate& mainReport, ReportRowSource& rows,
                              const MeasurandTexts& measurand, QIODevice& device,
                              const ReportProgress& progress)
{
    const bool written = writeStreamed(
        mainReport, rows, measurand,
        [&device](QByteArrayView bytes) { return writeAll(device, bytes); }, progress);
    if (!written && !m_cancelled)
        m_error = device.errorString();
    return written;
}

bool CsvExport::writeStreamed(ReportTemplate& mainReport, ReportRowSource& rows,
                              const MeasurandTexts& measurand, const CsvByteSink& sink,
                              const ReportProgress& progress)
{
    m_cancelled = false;
    m_error.clear();
    PageEncoder encoder;
    try {
        streamMeasurementReport(
            mainReport, ReportVariant::Export, rows, measurand,
            [&](const BuiltReport&, const BuiltPage& page) {
                if (!sink(encoder.bytes(page)))
                    throw SinkRefused();
            },
            progress);
    } catch (const ReportCancelled&) {
        m_cancelled = true;
        return false;
    } catch (const SinkRefused&) {
        return false;
    }
    return true;
}

QString csvFileName(const QString& chosen)
{
    return ReportFiles::withExtension(chosen, QStringLiteral(".csv"));
}

bool saveCsvFile(const BuiltReport& report, const QString& path, const CsvProgress& progress)
{
    return saveThrough(
        path, [&](CsvExport& csv, QIODevice& file) { return csv.write(report, file, progress); });
}

bool saveCsvFile(ReportTemplate& mainReport, ReportRowSource& rows, const MeasurandTexts& measurand,
                 const QString& path, const ReportProgress& progress)
{
    return saveThrough(path, [&](CsvExport& csv, QIODevice& file) {
        return csv.writeStreamed(mainReport, rows, measurand, file, progress);
    });
}
