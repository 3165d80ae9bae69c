#include "report/ReportTemplate.h"

namespace {

const QString Times = QStringLiteral("Times New Roman");
const QString Arial = QStringLiteral("Arial");
const QString Rows = QStringLiteral("MainDataModule.dsetVORN");

ReportCell cell(const char* name, int x, int y, int width, int height, ReportFont font,
                Qt::AlignmentFlag alignment, const QString& text)
{
    ReportCell c;
    c.name = QString::fromLatin1(name);
    c.x = x;
    c.y = y;
    c.width = width;
    c.height = height;
    c.font = std::move(font);
    c.alignment = alignment;
    c.text = text;
    return c;
}

QString field(const char* column)
{
    return QStringLiteral("[%1.\"%2\"]").arg(Rows, QString::fromLatin1(column));
}

// The vertical rules of the six table columns, shared by the header and the rows.
constexpr int ColumnRules[] = {56, 136, 216, 280, 368, 456, 740};

void addColumnRules(ReportBand& band, int y1, int y2)
{
    for (int x : ColumnRules)
        band.lines.push_back({x, y1, x, y2, 1});
}

ReportBand masterHeader()
{
    const ReportFont title{Times, 14, true};
    const ReportFont plain{Times, 10, false};
    const ReportFont bold{Times, 10, true};
    ReportBand band;
    band.name = QStringLiteral("MasterHeader");
    band.height = 56;
    band.repeatHeader = true;
    band.cells = {
        cell("Memo14", 56, 8, 76, 20, title, Qt::AlignLeft, QStringLiteral("ВОРН")),
        cell("Memo15", 60, 36, 72, 16, plain, Qt::AlignLeft, QStringLiteral("Дата")),
        cell("Memo13", 140, 36, 72, 16, plain, Qt::AlignLeft, QStringLiteral("Время")),
        cell("Memo16", 220, 36, 56, 16, plain, Qt::AlignLeft, QStringLiteral("№")),
        cell("Memo6", 284, 36, 80, 16, plain, Qt::AlignLeft, QStringLiteral("Тип")),
        cell("Memo17", 372, 36, 80, 16, plain, Qt::AlignLeft, QStringLiteral("Диаметр, мм")),
        cell("MeasurandUnitMemo", 460, 36, 276, 16, bold, Qt::AlignLeft,
             QStringLiteral("[MeasurandName], [MeasurandUnit]")),
    };
    band.lines = {{56, 32, 740, 32, 2}, {56, 56, 740, 56, 2}};
    addColumnRules(band, 32, 56);
    return band;
}

ReportBand masterData()
{
    const ReportFont plain{Times, 10, false};
    ReportBand band;
    band.name = QStringLiteral("MasterData");
    band.height = 20;
    band.cells = {
        cell("Memo1", 60, 0, 76, 20, plain, Qt::AlignLeft, field("MSR_DATE")),
        cell("Memo2", 140, 0, 76, 20, plain, Qt::AlignLeft, field("MSR_TIME")),
        cell("Memo3", 220, 0, 56, 20, plain, Qt::AlignRight, field("MSR_NUMBER")),
        cell("Memo4", 284, 0, 80, 20, plain, Qt::AlignRight, field("REINF_KIND_ID")),
        cell("Memo7", 372, 0, 80, 20, plain, Qt::AlignRight, field("REINF_DIAMETER")),
        cell("Memo8", 460, 0, 276, 20, ReportFont{Arial, 10, false}, Qt::AlignRight, field("F")),
    };
    addColumnRules(band, 0, 20);
    band.lines.push_back({56, 20, 740, 20, 1});
    return band;
}

ReportBand pageFooter()
{
    const ReportFont plain{Times, 10, false};
    ReportBand band;
    band.name = QStringLiteral("PageFooter");
    band.height = 24;
    band.cells = {
        cell("Memo5", 60, 4, 216, 20, plain, Qt::AlignLeft, QStringLiteral("[DATE]  [TIME]")),
        cell("Memo24", 329, 4, 180, 20, plain, Qt::AlignHCenter,
             QStringLiteral("Страница [PAGE#]")),
    };
    band.lines = {{56, 0, 740, 0, 1}};
    return band;
}

} // namespace

ReportTemplate measurementReportTemplate()
{
    ReportTemplate t;
    t.pageName = QStringLiteral("Page2");
    t.masterHeader = masterHeader();
    t.masterData = masterData();
    t.pageFooter = pageFooter();
    return t;
}
