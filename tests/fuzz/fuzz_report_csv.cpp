// Results with arbitrary field values, nulls among them, through the data module, the
// report builder and the CSV writer: one line per result plus the two title lines, and F
// texts that are empty, "?" or the digits of the shown value.
#include "tests/fuzz/FuzzInput.h"

#include "report/CsvExport.h"
#include "report/DataModuleRowSource.h"
#include "report/MeasurementReport.h"
#include "report/ReportTemplate.h"
#include "storage/Field.h"
#include "storage/ResultDataSet.h"
#include "storage/TMainDataModule.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

TMainDataModule* dataModule = nullptr;

QString expectedFText(const TMainDataModule& dm, bool fNull, double f, bool diameterNull, int32_t d)
{
    if (fNull)
        return {};
    double shown = -1;
    if (dm.MeasurandCode == 0 && dm.LoadUnitCode == 0)
        shown = f;
    else if (dm.MeasurandCode == 0 && dm.LoadUnitCode == 1)
        shown = 9.80665 * f;
    else if (dm.MeasurandCode == 1 && (dm.LoadUnitCode == 0 || dm.LoadUnitCode == 1)) {
        const double diameter = diameterNull ? 0 : d;
        const double area = (0.78539816339744830963 * diameter) * diameter;
        if (!std::isnan(area) && area > 0)
            shown = dm.LoadUnitCode == 0 ? f / (0.01 * area) : (9.80665 * f) / area;
    }
    // An infinite F has no digits to show.
    if (!(shown >= 0) || std::isinf(shown))
        return QStringLiteral("?");
    if (shown >= 9223372036854775808.0)
        return QStringLiteral("<huge>");
    char digits[32];
    // Adding 0.0 turns -0.0 into 0.0: a shown value of -0 is "0 or more", digits only.
    std::snprintf(digits, sizeof digits, "%.0f", std::trunc(shown) + 0.0);
    return QString::fromLatin1(digits);
}

bool allDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QTemporaryDir dir;
    setenv("FIREBIRD_LOCK", qPrintable(dir.filePath(QStringLiteral("lock"))), 0);
    static QGuiApplication app(*argc, *argv);
    // Closed at exit: the leak check cannot follow the tagged pointers of its field values.
    static TMainDataModule module;
    dataModule = &module;
    const QString path = dir.filePath(QStringLiteral("fuzz.fdb"));
    if (!dataModule->CreateDatabase(path) || !dataModule->OpenDatabase(path))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    TMainDataModule& dm = *dataModule;
    const uint8_t modes = input.byte();
    // Codes outside 0 and 1 give "?" texts; a few of them are enough.
    dm.SetMeasurand(int8_t(modes & 0x0f) % 3);
    dm.SetLoadUnit(int8_t(modes >> 4) % 3);

    struct Row
    {
        bool fNull;
        double f;
        bool diameterNull;
        int32_t diameter;
    };
    std::vector<Row> rows;
    const int count = input.byte() % 24;
    for (int i = 0; i < count; ++i) {
        TMsrResult r;
        // Dates stay within the OLE range; every other field takes any value.
        r.MsrDate = 36526.0 + double(input.value<uint32_t>() % (366 * 200)) + input.byte() / 256.0;
        r.MsrNumber = input.value<uint32_t>();
        r.ReinfKindID = input.value<int32_t>();
        r.ReinfDiameter = input.value<int32_t>();
        r.ForceEstimate = input.value<int32_t>();
        r.Base = input.value<int32_t>();
        r.F = input.value<float>();
        r.P = input.value<float>();
        r.S = input.value<float>();
        const uint8_t nulls = input.byte();
        if (!dm.AddResult(r))
            continue;
        ResultDataSet& set = *dm.dsetVORN;
        if (nulls & 0x0f) {
            set.edit();
            if (nulls & 1)
                dm.dsetVORNF->clear();
            if (nulls & 2)
                dm.dsetVORNREINF_DIAMETER->clear();
            if (nulls & 4)
                dm.dsetVORNREINF_KIND_ID->clear();
            if (nulls & 8)
                dm.dsetVORNMSR_NUMBER->clear();
            set.post();
        }
        rows.push_back({dm.dsetVORNF->isNull(), dm.dsetVORNF->asFloat(),
                        dm.dsetVORNREINF_DIAMETER->isNull(),
                        dm.dsetVORNREINF_DIAMETER->asInteger()});
        const QString expected = expectedFText(dm, rows.back().fNull, rows.back().f,
                                               rows.back().diameterNull, rows.back().diameter);
        const QString shown = dm.dsetVORNF->displayText();
        if (expected == QStringLiteral("<huge>")) {
            if (!allDigits(shown))
                std::fprintf(stderr,
                             "F text %s for a huge value (F %.17g, diameter %d, codes %d %d)\n",
                             qPrintable(shown), rows.back().f, rows.back().diameter,
                             dm.MeasurandCode, dm.LoadUnitCode);
            FUZZ_CHECK(allDigits(shown));
        } else {
            if (shown != expected)
                std::fprintf(stderr, "F text %s, expected %s (F %.17g, diameter %d, codes %d %d)\n",
                             qPrintable(shown), qPrintable(expected), rows.back().f,
                             rows.back().diameter, dm.MeasurandCode, dm.LoadUnitCode);
            FUZZ_CHECK(shown == expected);
        }
    }

    const int results = dm.dsetVORN->recordCount();
    if (results > 0) {
        dm.BeginUpdate();
        DataModuleRowSource source(dm);
        ReportTemplate layout = measurementReportTemplate();
        const BuiltReport report = buildMeasurementReport(
            layout, ReportVariant::Export, source, {dm.GetMeasurandName(), dm.GetMeasurandUnit()});
        dm.EndUpdate();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        CsvExport csv;
        FUZZ_CHECK(csv.write(report, buffer));
        const QByteArray bytes = buffer.data();
        FUZZ_CHECK(bytes.endsWith("\r\n"));
        FUZZ_CHECK(bytes.count("\r\n") == results + 2);
        FUZZ_CHECK(bytes.count('\n') == results + 2);
    }
    dm.CancelChanges();
    FUZZ_CHECK(dm.dsetVORN->recordCount() == 0);
    return 0;
}
