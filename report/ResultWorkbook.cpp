// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/ResultWorkbook.h"

#include "common/OleDate.h"
#include "common/OutputGuard.h"
#include "report/ReportBuilder.h"
#include "report/ReportFiles.h"
#include "storage/Field.h"
#include "storage/ResultDataSet.h"
#include "storage/ResultTexts.h"
#include "storage/TMainDataModule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace {

// Excel shows serial dates from 1900-03-01 on the OLE scale; earlier ones stay texts.
constexpr double FirstSerialDate = 61.0;
constexpr double LastSerialDate = 2958466.0; // 10000-01-01

class Workbook
{
public:
    explicit Workbook(const QString& path)
    {
        // Rows stream to disk as they are written, so a large project needs no more memory
        // than a small one; cells are then written row by row, left to right.
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.use_zip64 = LXW_TRUE;
        m_book = workbook_new_opt(path.toLocal8Bit().constData(), &options);
        if (!m_book)
            throw ReportError("the workbook cannot be created");
    }
    ~Workbook()
    {
        if (m_book)
            workbook_close(m_book);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_error close()
    {
        const lxw_error error = workbook_close(m_book);
        m_book = nullptr;
        return error;
    }

    lxw_worksheet* sheet(const char* name)
    {
        lxw_worksheet* worksheet = workbook_add_worksheet(m_book, name);
        if (!worksheet)
            throw ReportError("the workbook cannot hold another sheet");
        return worksheet;
    }
    lxw_format* format(const char* numberFormat, bool bold = false)
    {
        lxw_format* f = workbook_add_format(m_book);
        if (numberFormat)
            format_set_num_format(f, numberFormat);
        if (bold)
            format_set_bold(f);
        return f;
    }

private:
    lxw_workbook* m_book;
};

// Writes cells of one sheet and remembers each column's widest text.
class SheetWriter
{
public:
    SheetWriter(lxw_worksheet* sheet, lxw_format* header) : m_sheet(sheet), m_header(header) {}

    void header(const QStringList& titles)
    {
        for (int c = 0; c < titles.size(); ++c)
            text(0, c, titles[c], m_header);
    }
    void text(int row, int column, const QString& value, lxw_format* format = nullptr)
    {
        if (value.isEmpty())
            return;
        worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column),
                               value.toUtf8().constData(), format);
        widen(column, int(value.size()));
    }
    void number(int row, int column, std::optional<double> value, lxw_format* format = nullptr,
                int shownWidth = 0)
    {
        if (!value || !std::isfinite(*value))
            return;
        worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), *value, format);
        widen(column, shownWidth > 0 ? shownWidth : digitsOf(*value));
    }
    void fitColumns()
    {
        for (std::size_t c = 0; c < m_widths.size(); ++c)
            worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c), std::min(m_widths[c] + 2, 80),
                                 nullptr);
    }

private:
    static int digitsOf(double value)
    {
        const double magnitude = std::fabs(value);
        const int whole = magnitude < 1 ? 1 : int(std::log10(magnitude)) + 1;
        return std::min(whole, 20) + 3;
    }
    void widen(int column, int width)
    {
        if (std::size_t(column) >= m_widths.size())
            m_widths.resize(std::size_t(column) + 1, 0);
        m_widths[std::size_t(column)] = std::max(m_widths[std::size_t(column)], width);
    }

    lxw_worksheet* m_sheet;
    lxw_format* m_header;
    std::vector<int> m_widths;
};

std::optional<double> value(const Field* field)
{
    if (field->isNull())
        return std::nullopt;
    return field->asFloat();
}

std::optional<double> integer(const Field* field)
{
    if (field->isNull())
        return std::nullopt;
    return double(field->asInteger());
}

// Running statistics of F for one kind and diameter (Welford's update, stable for long runs).
struct ForceStatistics
{
    int count = 0;
    int numbers = 0;
    double minimum = std::numeric_limits<double>::infinity();
    double maximum = -std::numeric_limits<double>::infinity();
    double mean = 0;
    double squares = 0;

    void add(std::optional<double> shown)
    {
        ++count;
        if (!shown)
            return;
        ++numbers;
        minimum = std::min(minimum, *shown);
        maximum = std::max(maximum, *shown);
        const double delta = *shown - mean;
        mean += delta / numbers;
        squares += delta * (*shown - mean);
    }
    std::optional<double> deviation() const
    {
        if (numbers < 2)
            return std::nullopt;
        return std::sqrt(squares / (numbers - 1));
    }
};

// Null sorts before every code, as in the results table.
using GroupKey = std::pair<std::optional<int32_t>, std::optional<int32_t>>;

void writeSummary(Workbook& book, lxw_format* bold, lxw_format* decimal,
                  const std::map<GroupKey, ForceStatistics>& groups, const ForceStatistics& total,
                  TMainDataModule& dataModule)
{
    lxw_worksheet* sheet = book.sheet("Сводка");
    SheetWriter out(sheet, bold);
    const QString f =
        dataModule.GetMeasurandName() + QStringLiteral(", ") + dataModule.GetMeasurandUnit();
    out.header({QStringLiteral("Тип"), QStringLiteral("Диаметр, мм"), QStringLiteral("Количество"),
                QStringLiteral("Минимум F"), QStringLiteral("Среднее F"),
                QStringLiteral("Максимум F"), QStringLiteral("Ст. отклонение F")});
    worksheet_freeze_panes(sheet, 1, 0);
    auto statistics = [&](int row, const ForceStatistics& s) {
        out.number(row, 2, double(s.count));
        if (s.numbers > 0) {
            out.number(row, 3, s.minimum, decimal);
            out.number(row, 4, s.mean, decimal);
            out.number(row, 5, s.maximum, decimal);
        }
        out.number(row, 6, s.deviation(), decimal);
    };
    int row = 1;
    for (const auto& [key, s] : groups) {
        if (key.first)
            out.text(row, 0, dataModule.GetReinfKindName(*key.first));
        if (key.second)
            out.number(row, 1, double(*key.second));
        statistics(row, s);
        ++row;
    }
    out.text(row, 0, QStringLiteral("Всего"), bold);
    statistics(row, total);
    out.text(row + 2, 0, QStringLiteral("F: ") + f);
    out.fitColumns();
}

void writeDescription(Workbook& book, lxw_format* bold, TMainDataModule& dataModule,
                      const QString& projectFile)
{
    lxw_worksheet* sheet = book.sheet("Описание");
    SheetWriter out(sheet, bold);
    out.text(0, 0, QStringLiteral("Описание проекта"), bold);
    CachedDataSet* description = dataModule.DescriptionDataSet;
    if (description->active() && !description->isEmpty())
        out.text(0, 1, dataModule.DescriptionDataSetPROJECT_DESC->asString());
    out.text(1, 0, QStringLiteral("Файл проекта"), bold);
    out.text(1, 1, QDir::toNativeSeparators(projectFile));
    out.fitColumns();
}

// Writes every sheet into the file at path; false when progress cancelled.
bool writeWorkbook(TMainDataModule& dataModule, const QString& projectFile, const QString& path,
                   const WorkbookProgress& progress)
{
    Workbook book(path);
    lxw_format* bold = book.format(nullptr, true);
    lxw_format* date = book.format("dd.mm.yyyy");
    lxw_format* time = book.format("hh:mm:ss");
    lxw_format* decimal = book.format("0.0");

    lxw_worksheet* sheet = book.sheet("Результаты");
    SheetWriter out(sheet, bold);
    const QString fTitle =
        dataModule.GetMeasurandName() + QStringLiteral(", ") + dataModule.GetMeasurandUnit();
    const QStringList titles{QStringLiteral("Дата"),        QStringLiteral("Время"),
                             QStringLiteral("№"),           QStringLiteral("Тип"),
                             QStringLiteral("Диаметр, мм"), QStringLiteral("Оценка усилия"),
                             QStringLiteral("База, мм"),    fTitle,
                             QStringLiteral("F, кгс"),      QStringLiteral("P, кгс"),
                             QStringLiteral("Δ, мм"),       QStringLiteral("Комментарий")};
    out.header(titles);
    worksheet_freeze_panes(sheet, 1, 0);

    std::map<GroupKey, ForceStatistics> groups;
    ForceStatistics total;
    ResultDataSet& results = *dataModule.dsetVORN;
    const int count = results.recordCount();
    int row = 0;
    for (results.first(); !results.eof(); results.next()) {
        ++row;
        const Field* dateField = dataModule.dsetVORNMSR_DATE;
        const Field* timeField = dataModule.dsetVORNMSR_TIME;
        // Whole days and whole seconds from the same split the table's texts use, so the
        // cells show what the table shows.
        if (!dateField->isNull()) {
            const double ole = dateField->asDateTime();
            if (ole >= FirstSerialDate && ole < LastSerialDate) {
                const OleDate::Parts p = OleDate::toParts(ole);
                out.number(row, 0, double(OleDate::dayNumber(p.year, p.month, p.day)), date, 10);
            } else {
                out.text(row, 0, dateField->displayText());
            }
        }
        if (!timeField->isNull()) {
            const double ole = timeField->asDateTime();
            if (std::isfinite(ole) && std::fabs(ole) < LastSerialDate) {
                const OleDate::Parts p = OleDate::toParts(ole);
                out.number(row, 1, (p.hour * 3600 + p.minute * 60 + p.second) / 86400.0, time, 8);
            }
        }
        out.number(row, 2, integer(dataModule.dsetVORNMSR_NUMBER));
        out.text(row, 3, dataModule.dsetVORNREINF_KIND_ID->displayText());
        out.number(row, 4, integer(dataModule.dsetVORNREINF_DIAMETER));
        out.number(row, 5, integer(dataModule.dsetVORNFORCE_ESTIMATE));
        out.number(row, 6, integer(dataModule.dsetVORNBASE));
        const std::optional<double> shown = ResultTexts::shownForce(
            value(dataModule.dsetVORNF), dataModule.dsetVORNREINF_DIAMETER->asInteger(),
            dataModule.MeasurandCode, dataModule.LoadUnitCode);
        out.number(row, 7, shown, decimal);
        out.number(row, 8, value(dataModule.dsetVORNF));
        out.number(row, 9, value(dataModule.dsetVORNP));
        out.number(row, 10, value(dataModule.dsetVORNS));
        out.text(row, 11, dataModule.dsetVORNMSR_COMMENT->asString());

        const Field* kind = dataModule.dsetVORNREINF_KIND_ID;
        const Field* diameter = dataModule.dsetVORNREINF_DIAMETER;
        const GroupKey key{kind->isNull() ? std::nullopt : std::optional(kind->asInteger()),
                           diameter->isNull() ? std::nullopt
                                              : std::optional(diameter->asInteger())};
        groups[key].add(shown);
        total.add(shown);
        if (progress && row % 1000 == 0 && !progress(row, count))
            return false;
    }
    worksheet_autofilter(sheet, 0, 0, lxw_row_t(row), lxw_col_t(titles.size() - 1));
    out.fitColumns();

    writeSummary(book, bold, decimal, groups, total, dataModule);
    writeDescription(book, bold, dataModule, projectFile);
    const lxw_error error = book.close();
    if (error != LXW_NO_ERROR)
        throw ReportError(lxw_strerror(error));
    return true;
}

} // namespace

bool writeResultWorkbook(TMainDataModule& dataModule, const QString& projectFile, QIODevice& device,
                         const WorkbookProgress& progress)
{
    // libxlsxwriter writes by file name only: the workbook is built in a private folder and
    // then copied.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw ReportError(scratch.errorString().toStdString());
    const QString built = scratch.filePath(QStringLiteral("results.xlsx"));
    bool written = false;
    {
        TMainDataModule::UpdateScope update(dataModule);
        written = writeWorkbook(dataModule, projectFile, built, progress);
    }
    if (!written)
        return false;
    QFile workbook(built);
    if (!workbook.open(QIODevice::ReadOnly))
        throw ReportError(workbook.errorString().toStdString());
    while (!workbook.atEnd()) {
        const QByteArray chunk = workbook.read(1 << 20);
        if (chunk.isEmpty() || device.write(chunk) != chunk.size())
            throw ReportError(device.errorString().toStdString());
    }
    return true;
}

bool saveResultWorkbook(TMainDataModule& dataModule, const QString& projectFile,
                        const QString& path, const WorkbookProgress& progress)
{
    if (OutputGuard::wouldDestroyProject(path, projectFile))
        throw ReportError(OutputGuard::refusal(path).toStdString());
    // QSaveFile replaces the target in one step once every byte is written.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ReportFiles::cannotCreate(path, file.errorString());
    bool written = false;
    QString reason;
    try {
        written = writeResultWorkbook(dataModule, projectFile, file, progress);
        if (written && !file.commit())
            reason = file.errorString();
    } catch (const ReportError& error) {
        reason = QString::fromUtf8(error.what());
    }
    if (!written || !reason.isEmpty())
        file.cancelWriting();
    if (!reason.isEmpty())
        throw ReportFiles::cannotWrite(path, reason);
    return written;
}

QString workbookFileName(const QString& chosen)
{
    return ReportFiles::withExtension(chosen, QStringLiteral(".xlsx"));
}
