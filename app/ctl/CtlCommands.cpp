#include "CtlCommands.h"

#include "AppTexts.h"
#include "CsvExport.h"
#include "CtlErrors.h"
#include "DataModuleRowSource.h"
#include "DeviceCommands.h"
#include "DeviceSession.h"
#include "DownloadThread.h"
#include "MainDataModule.h"
#include "MeasurementReport.h"
#include "PictureFileError.h"
#include "ReportRenderer.h"
#include "ResultTexts.h"
#include "ScreenBuffer.h"
#include "ScreenPicture.h"
#include "USB.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cstdio>
#include <unistd.h>

namespace {

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

void openProject(TMainDataModule& dataModule, const QString& path)
{
    bool opened = false;
    try {
        opened = QFileInfo(path).isFile() && dataModule.OpenDatabase(path);
    } catch (const std::exception&) {
        opened = false;
    }
    if (!opened)
        throw CtlError(AppTexts::CannotOpenProject + u' ' + nativePath(path));
}

// Balances BeginUpdate also when an import or a build throws.
class UpdateScope
{
public:
    explicit UpdateScope(TMainDataModule& dataModule) : m_dataModule(dataModule)
    {
        m_dataModule.BeginUpdate();
    }
    ~UpdateScope() { m_dataModule.EndUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    TMainDataModule& m_dataModule;
};

TArrayOfMsrResult download()
{
    TDownloadThread worker;
    const bool terminal = isatty(fileno(stderr));
    QObject receiver;
    QObject::connect(
        &worker, &TDownloadThread::progress, &receiver,
        [terminal](int value) {
            if (!terminal)
                return;
            if (value == TDownloadThread::ProgressFinished)
                std::fputs("\r\033[K", stderr);
            else
                std::fprintf(stderr, "\rreading %d%%", value);
            std::fflush(stderr);
        },
        Qt::QueuedConnection);
    QEventLoop loop;
    QObject::connect(&worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker.Start();
    loop.exec();
    worker.wait();
    QCoreApplication::sendPostedEvents(&receiver);
    if (worker.ResultCode() != 0)
        throw CtlError(linkErrorMessage(QStringLiteral("Ошибка связи "), worker.ResultCode()));
    if (!worker.Completed())
        throw CtlError(QStringLiteral("The download ended without its results."));
    return worker.takeResults();
}

void readCommand(const CtlArguments& arguments, QTextStream& out)
{
    const QString& path = arguments.files[0];
    DeviceSession device(arguments.demo);
    TMainDataModule dataModule;
    const bool created = !QFileInfo::exists(path);
    if (created && !dataModule.CreateDatabase(path))
        throw CtlError(AppTexts::CannotCreateProject + u' ' + nativePath(path));
    try {
        openProject(dataModule, path);
        const TArrayOfMsrResult results = download();
        int added = 0;
        if (!results.empty()) {
            UpdateScope update(dataModule);
            for (const TMsrResult& result : results)
                added += dataModule.AddResult(result) ? 1 : 0;
            dataModule.SortResults();
        }
        dataModule.SaveChanges();
        dataModule.CloseDatabase();
        out << QStringLiteral("read %1, added %2\n").arg(results.size()).arg(added);
    } catch (...) {
        // A project made for this read alone does not outlive its failure.
        if (created) {
            dataModule.CloseDatabase();
            QFile::remove(path);
        }
        throw;
    }
}

BuiltReport buildReport(TMainDataModule& dataModule, const CtlArguments& arguments,
                        ReportVariant variant)
{
    openProject(dataModule, arguments.files[0]);
    dataModule.SetMeasurand(arguments.measurandCode);
    dataModule.SetLoadUnit(arguments.loadUnitCode);
    UpdateScope update(dataModule);
    DataModuleRowSource rows(dataModule);
    ReportTemplate mainReport = measurementReportTemplate();
    return buildMeasurementReport(mainReport, variant, rows,
                                  {dataModule.GetMeasurandName(), dataModule.GetMeasurandUnit()});
}

void exportCommand(const CtlArguments& arguments, QTextStream&)
{
    TMainDataModule dataModule;
    const BuiltReport report = buildReport(dataModule, arguments, ReportVariant::Export);
    try {
        saveCsvFile(report, arguments.files[1]);
    } catch (const ReportError& error) {
        throw CtlError(QString::fromUtf8(error.what()));
    }
}

QString cannotCreate(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(nativePath(path), reason);
}

void reportCommand(const CtlArguments& arguments, QTextStream&)
{
    TMainDataModule dataModule;
    const BuiltReport report = buildReport(dataModule, arguments, ReportVariant::Print);
    const QString& path = arguments.files[1];
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw CtlError(cannotCreate(path, file.errorString()));
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(600);
        pdf.setPageLayout(ReportRenderer::pageLayout(report));
        if (!ReportRenderer::render(report, pdf))
            throw CtlError(cannotCreate(path, QStringLiteral("The report could not be drawn.")));
    }
    if (!file.commit())
        throw CtlError(cannotCreate(path, file.errorString()));
}

void screenCommand(const CtlArguments& arguments, QTextStream&)
{
    static_assert(DEV_SCREEN_SIZE == ScreenBuffer::ReplySize);
    DeviceSession device(arguments.demo);
    std::array<std::uint8_t, ScreenBuffer::ReplySize> reply{};
    const uint32_t status = USBTransfer(DEV_CMD_SCREEN, nullptr, 0, reply.data(), DEV_SCREEN_SIZE);
    if (status != 0)
        throw CtlError(linkErrorMessage(QStringLiteral("Ошибка связи с прибором! "), status));
    ScreenBuffer buffer;
    buffer.LoadScreenReply(reply);
    QImage picture;
    PaintScreenBuffer(buffer, qRgb(0, 0, 0), qRgb(255, 255, 255), picture);
    try {
        SaveBmpFile(picture, arguments.files[0]);
    } catch (const PictureFileError& error) {
        throw CtlError(error.message());
    }
}

QString momentText(double oleDate)
{
    return ResultTexts::DateText(oleDate) + u' ' + ResultTexts::TimeText(oleDate);
}

void infoCommand(const CtlArguments& arguments, QTextStream& out)
{
    TMainDataModule dataModule;
    openProject(dataModule, arguments.files[0]);
    UpdateScope update(dataModule);
    out << QStringLiteral("device %1, data version %2\n")
               .arg(QString::fromLatin1(dataModule.DescriptionDataSetDEVICE_NAME->AsBytes()))
               .arg(dataModule.DescriptionDataSetDEVICE_DATA_VERSION->AsInteger());
    TResultDataSet& results = *dataModule.dsetVORN;
    out << QStringLiteral("results %1\n").arg(results.RecordCount());
    if (results.IsEmpty())
        return;
    double first = 0;
    double last = 0;
    bool any = false;
    for (results.First(); !results.Eof(); results.Next()) {
        if (dataModule.dsetVORNMSR_DATE->IsNull())
            continue;
        const double moment = dataModule.dsetVORNMSR_DATE->AsDateTime();
        first = any ? std::min(first, moment) : moment;
        last = any ? std::max(last, moment) : moment;
        any = true;
    }
    if (any)
        out << QStringLiteral("first %1\nlast %2\n").arg(momentText(first), momentText(last));
}

} // namespace

void runCtlCommand(const CtlArguments& arguments, QTextStream& out)
{
    using Command = void (*)(const CtlArguments&, QTextStream&);
    static const QHash<QString, Command> commands{
        {QStringLiteral("read"), readCommand},     {QStringLiteral("export"), exportCommand},
        {QStringLiteral("report"), reportCommand}, {QStringLiteral("screen"), screenCommand},
        {QStringLiteral("info"), infoCommand},
    };
    commands.value(arguments.command)(arguments, out);
}
