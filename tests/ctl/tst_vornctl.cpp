// Drives the vornctl executable with the demo instrument and real project files.
#include "common/LinkErrorTexts.h"
#include "ctl/CtlErrors.h"
#include "report/CsvExport.h"
#include "report/DataModuleRowSource.h"
#include "report/MeasurementReport.h"
#include "storage/TMainDataModule.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run vornctl(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(VORNCTL_PATH), arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The CSV that the export command's writer gives for the project.
QByteArray libraryCsv(const QString& project, int32_t measurand, int32_t unit)
{
    TMainDataModule dataModule;
    if (!dataModule.OpenDatabase(project))
        return {};
    dataModule.SetMeasurand(measurand);
    dataModule.SetLoadUnit(unit);
    DataModuleRowSource rows(dataModule);
    ReportTemplate mainReport = measurementReportTemplate();
    const BuiltReport report =
        buildMeasurementReport(mainReport, ReportVariant::Export, rows,
                               {dataModule.GetMeasurandName(), dataModule.GetMeasurandUnit()});
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvExport().write(report, buffer);
    dataModule.CloseDatabase();
    return buffer.data();
}

} // namespace

class TestVornctl : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_project;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_project = path(QStringLiteral("bridge.fdb"));
        QFile notProject(path(QStringLiteral("notes.fdb")));
        QVERIFY(notProject.open(QIODevice::WriteOnly));
        notProject.write("not a project\n");
    }

    void readTwiceSkipsHeldResults()
    {
        Run first = vornctl({QStringLiteral("--demo"), QStringLiteral("read"), m_project});
        QCOMPARE(first.exitCode, 0);
        QCOMPARE(first.out, QStringLiteral("Считано результатов: 123, добавлено: 120\n"));
        Run second = vornctl({QStringLiteral("read"), m_project, QStringLiteral("--demo")});
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.out, QStringLiteral("Считано результатов: 123, добавлено: 0\n"));
    }

    void infoShowsIdentityCountAndDates()
    {
        const Run run = vornctl({QStringLiteral("info"), m_project});
        QCOMPARE(run.exitCode, 0);
        const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("Прибор: VORN-1.0, версия данных 65537"));
        QCOMPARE(lines[1], QStringLiteral("Результатов: 120"));
        const QRegularExpression moment(
            QStringLiteral(R"(^(Первый|Последний): \d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d$)"));
        QVERIFY2(moment.match(lines[2]).hasMatch(), qPrintable(lines[2]));
        QVERIFY2(moment.match(lines[3]).hasMatch(), qPrintable(lines[3]));
        QVERIFY(lines[2].section(u' ', 1) != lines[3].section(u' ', 1));
    }

    void exportWritesTheExportCsv_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("measurand");
        QTest::addColumn<int>("unit");
        QTest::newRow("default") << QStringList() << 0 << 0;
        QTest::newRow("stress in N")
            << QStringList{"--measurand", "stress", "--unit", "N"} << 1 << 1;
    }

    void exportWritesTheExportCsv()
    {
        QFETCH(QStringList, options);
        QFETCH(int, measurand);
        QFETCH(int, unit);
        const QString csv = path(QStringLiteral("results.csv"));
        const Run run = vornctl(QStringList{QStringLiteral("export"), m_project, csv} + options);
        QCOMPARE(run.exitCode, 0);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.count("\r\n"), 122);
        QCOMPARE(bytes, libraryCsv(m_project, measurand, unit));
    }

    void exportChoosesTheWorkbookByFormatOrExtension_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("workbook");
        QTest::newRow("extension") << "r.xlsx" << QStringList() << true;
        QTest::newRow("upper-case extension") << "R.XLSX" << QStringList() << true;
        QTest::newRow("format") << "r.dat" << QStringList{"--format", "xlsx"} << true;
        QTest::newRow("format=") << "r2.dat" << QStringList{"--format=xlsx"} << true;
        QTest::newRow("csv over the extension")
            << "c.xlsx" << QStringList{"--format", "csv"} << false;
    }

    void exportChoosesTheWorkbookByFormatOrExtension()
    {
        QFETCH(QString, output);
        QFETCH(QStringList, options);
        QFETCH(bool, workbook);
        const QString out = path(output);
        const Run run = vornctl(QStringList{QStringLiteral("export"), m_project, out} + options);
        QCOMPARE(run.exitCode, 0);
        QFile file(out);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.startsWith("PK\x03\x04"), workbook);
        if (!workbook) {
            QCOMPARE(bytes, libraryCsv(m_project, 0, 0));
            return;
        }
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"),
                    {QStringLiteral("-p"), out, QStringLiteral("xl/worksheets/sheet1.xml")});
        QVERIFY(unzip.waitForFinished(10000));
        QCOMPARE(unzip.readAllStandardOutput().count("<row "), 121);
    }

    void reportWritesPdf()
    {
        const QString pdf = path(QStringLiteral("report.pdf"));
        const Run run = vornctl({QStringLiteral("report"), m_project, pdf});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(QFile::exists(pdf));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed");
        QProcess text;
        text.start(pdftotext, {pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(text.readAllStandardOutput()).contains(u"Страница"));
    }

    void screenWritesTheScreenPicture()
    {
        const QString bmp = path(QStringLiteral("screen.bmp"));
        const Run run = vornctl({QStringLiteral("--demo"), QStringLiteral("screen"), bmp});
        QCOMPARE(run.exitCode, 0);
        QImage picture(bmp, "BMP");
        QCOMPARE(picture.size(), QSize(102, 68));
        QCOMPARE(picture.pixel(0, 0), qRgb(0, 0, 0)); // the frame
        QCOMPARE(picture.pixel(1, 1), qRgb(255, 255, 255));
    }

    void linkErrorsShowTheStatusInHex_data()
    {
        QTest::addColumn<uint>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused device") << 0x70000001u << "Ошибка связи 70000001";
        QTest::newRow("leading zeros") << 0xau << "Ошибка связи 0000000A";
        QTest::newRow("all digits") << 0xdeadbeefu << "Ошибка связи DEADBEEF";
    }

    void linkErrorsShowTheStatusInHex()
    {
        QFETCH(uint, status);
        QFETCH(QString, message);
        QCOMPARE(LinkErrorTexts::withStatus(LinkErrorTexts::LinkError, status), message);
    }

    // Each failure names its cause and leaves no file behind.
    void failuresWriteNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("message");
        const QString cannotOpen = QStringLiteral("Не удалось открыть проект!");
        QTest::newRow("export of a missing project")
            << QStringList{"export", "@missing.fdb", "@out.csv"} << "out.csv" << cannotOpen;
        QTest::newRow("info of a missing project")
            << QStringList{"info", "@missing.fdb"} << "missing.fdb" << cannotOpen;
        QTest::newRow("report of a non-project file")
            << QStringList{"report", "@notes.fdb", "@out.pdf"} << "out.pdf" << cannotOpen;
        QTest::newRow("export to a missing folder")
            << QStringList{"export", "@bridge.fdb", "@none/out.csv"} << "none/out.csv"
            << "Не удалось записать файл";
        QTest::newRow("report to a missing folder")
            << QStringList{"report", "@bridge.fdb", "@none/out.pdf"} << "none/out.pdf"
            << "Не удалось записать файл";
        QTest::newRow("screen to a missing folder")
            << QStringList{"--demo", "screen", "@none/out.bmp"} << "none/out.bmp"
            << "out.bmp";
        QTest::newRow("read without a device") << QStringList{"read", "@new.fdb"} << "new.fdb"
                                               << "Прибор не подключен!";
        QTest::newRow("screen without a device") << QStringList{"screen", "@out.bmp"} << "out.bmp"
                                                 << "Прибор не подключен!";
        QTest::newRow("unknown command") << QStringList{"frobnicate", "@out.csv"} << "out.csv"
                                         << "Справка: vornctl --help";
        QTest::newRow("unknown option")
            << QStringList{"export", "@bridge.fdb", "@out.csv", "--fast"} << "out.csv"
            << "Справка: vornctl --help";
        QTest::newRow("bad unit") << QStringList{"export", "@bridge.fdb", "@out.csv", "--unit",
                                                 "lbf"}
                                  << "out.csv"
                                  << "Справка: vornctl --help";
        QTest::newRow("missing output name") << QStringList{"export", "@bridge.fdb"} << "bridge.csv"
                                             << "Справка: vornctl --help";
    }

    void failuresWriteNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QFETCH(QString, message);
        for (QString& argument : arguments)
            if (argument.startsWith(u'@'))
                argument = path(argument.mid(1));
        const Run run = vornctl(arguments);
        QVERIFY(run.exitCode > 0);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QVERIFY(run.out.isEmpty());
        QVERIFY(!QFile::exists(path(output)));
    }
};

QTEST_MAIN(TestVornctl)
#include "tst_vornctl.moc"
