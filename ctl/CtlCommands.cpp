// SPDX-License-Identifier: GPL-3.0-or-later
#include "ctl/CtlCommands.h"

#include "common/LinkErrorTexts.h"

#include "common/CommonTexts.h"
#include "common/OutputGuard.h"
#include "common/OpenFileLimit.h"
#include "ctl/CtlErrors.h"
#include "ctl/CtlOutput.h"
#include "ctl/DeviceSession.h"
#include "ctl/ResultListing.h"
#include "ctl/ServerLogin.h"
#include "device/DeviceCommands.h"
#include "device/USB.h"
#include "download/TDownloadThread.h"
#include "report/CsvExport.h"
#include "report/DataModuleRowSource.h"
#include "report/MeasurementReport.h"
#include "report/ReportBuilder.h"
#include "report/ReportRenderer.h"
#include "report/ResultWorkbook.h"
#include "snapshot/ScreenBuffer.h"
#include "snapshot/ScreenPicture.h"
#include "storage/ProjectTarget.h"
#include "storage/ServerProject.h"
#include "storage/StorageError.h"
#include "storage/StorageTexts.h"
#include "storage/TMainDataModule.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>

#include <array>
#include <cstdio>
#include <new>
#include <unistd.h>

namespace {

QString nativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The reason follows the fixed sentence as a clause: its first letter is lowered unless it
// starts an abbreviation.
QString asClause(QString reason)
{
    reason = reason.trimmed();
    if (reason.endsWith(u'.'))
        reason.chop(1);
    if (reason.size() > 1 && reason[0].isUpper() && reason[1].isLower())
        reason[0] = reason[0].toLower();
    return reason;
}

QString withReason(const QString& sentence, const QString& path, const QString& reason)
{
    return CommonTexts::errorSentence(sentence + u' ' + nativePath(path) + QStringLiteral(": ") +
                                      asClause(reason));
}

// Why a path that is not a regular file cannot be a project, before the engine is asked.
QString whyNotAProjectFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("файл не найден");
    if (info.isDir())
        return QStringLiteral("это папка, а не файл проекта");
    return QStringLiteral("файл не является проектом программы ВОРН-1.0 или повреждён");
}

// The one reason a failure gives the user. The engine's own text is a library's diagnostic,
// shown with --verbose; the library's name of a lack of memory is English and says nothing.
QString userReason(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return CommonTexts::OutOfMemory;
    const auto* storage = dynamic_cast<const StorageError*>(&error);
    if (!storage)
        return QString::fromUtf8(error.what());
    if (!storage->detail().empty())
        qInfo("%s", storage->detail().c_str());
    return storage->reason().isEmpty() ? StorageTexts::EngineFailed : storage->reason();
}

// Opens the project; false (failureReason() says why) when the server has no such project.
bool openServerProject(TMainDataModule& dataModule, const QString& path, ResultRows rows)
{
    dataModule.setServerAccount(serverLogin());
    try {
        return dataModule.OpenDatabase(path, rows);
    } catch (const std::exception& error) {
        throw CtlError(withReason(CommonTexts::CannotOpenProject, path, userReason(error)));
    }
}

void openProject(TMainDataModule& dataModule, const QString& path,
                 ResultRows rows = ResultRows::Load)
{
    if (isServerProjectName(path)) {
        if (openServerProject(dataModule, path, rows))
            return;
        throw CtlError(
            withReason(CommonTexts::CannotOpenProject, path, dataModule.failureReason()));
    }
    const QFileInfo info(path);
    if (!info.isFile())
        throw CtlError(withReason(CommonTexts::CannotOpenProject, path, whyNotAProjectFile(path)));
    try {
        if (dataModule.OpenDatabase(path, rows))
            return;
    } catch (const std::exception& error) {
        throw CtlError(withReason(CommonTexts::CannotOpenProject, path, userReason(error)));
    }
    throw CtlError(withReason(CommonTexts::CannotOpenProject, path, dataModule.failureReason()));
}

// Checked before any work is done: an output never takes the place of a project.
void refuseProjectAsOutput(const QString& output, const QString& project = QString())
{
    if (!isStandardOutput(output) && OutputGuard::wouldDestroyProject(output, project))
        throw CtlError(OutputGuard::refusal(output));
}

void writeStandardOutput(const QString& text)
{
    writeOutput(QStringLiteral("-"), text.toUtf8());
}

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
                std::fprintf(stderr, "\rЧтение из прибора: %d%%", value);
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
        throw CtlError(LinkErrorTexts::withStatus(LinkErrorTexts::LinkError, worker.ResultCode()));
    if (!worker.Completed())
        throw CtlError(QStringLiteral("Чтение из прибора прервано, результаты не получены."));
    return worker.takeResults();
}

// What became of the project after a read whose save failed: a new one is not made, an
// existing one keeps what it had; the instrument keeps its results either way.
enum class ReadTarget
{
    NewProject,
    ExistingProject,
};

// Downloads into the open project and saves; returns the number of results added.
int importAndSave(TMainDataModule& dataModule, const QString& path,
                  const TArrayOfMsrResult& results, ReadTarget target)
{
    int added = 0;
    try {
        if (!results.empty()) {
            TMainDataModule::UpdateScope update(dataModule);
            for (const TMsrResult& result : results)
                added += dataModule.AddResult(result) ? 1 : 0;
            dataModule.SortResults();
        }
        dataModule.SaveChanges();
        dataModule.CloseDatabase();
    } catch (const std::exception& error) {
        const QString outcome =
            target == ReadTarget::NewProject
                ? QStringLiteral("Проект не создан; считайте результаты снова.")
                : QStringLiteral("Проект остался прежним; считайте результаты снова.");
        throw CtlError(
            withReason(QStringLiteral("Не удалось сохранить проект"), path, userReason(error)) +
            u' ' + outcome);
    }
    return added;
}

// Whatever a failed read wrote into the project is rolled back, never committed at the close.
void abandonProject(TMainDataModule& dataModule) noexcept
{
    try {
        if (dataModule.pFIBTransaction->active())
            dataModule.pFIBTransaction->handle().rollback();
    } catch (...) {
        // The close below lets go of the connection in any case.
    }
    try {
        dataModule.CloseDatabase();
    } catch (...) {
        // The destructor releases what the close could not.
    }
}

QString readSummary(size_t read, int added)
{
    return QStringLiteral("Считано результатов: %1, добавлено: %2\n").arg(read).arg(added);
}

// A new project is built under a hidden name beside the target and takes the target's name
// only once the read is saved, so that the name never stands for a half-made project.
void readIntoNewProject(TMainDataModule& dataModule, const QString& path)
{
    const QString building = ProjectTarget::hiddenSibling(path);
    bool created = false;
    try {
        created = dataModule.CreateDatabase(building);
    } catch (const std::exception& error) {
        throw CtlError(withReason(CommonTexts::CannotCreateProject, path, userReason(error)));
    }
    if (!created) {
        QFile::remove(building);
        throw CtlError(
            withReason(CommonTexts::CannotCreateProject, path, dataModule.failureReason()));
    }
    try {
        openProject(dataModule, building);
        const TArrayOfMsrResult results = download();
        const int added = importAndSave(dataModule, path, results, ReadTarget::NewProject);
        // Refuses to replace a file that appeared under the name meanwhile.
        const QString refused =
            ProjectTarget::putInPlace(building, path, ProjectTarget::Existing::Keep);
        if (!refused.isEmpty())
            throw CtlError(withReason(CommonTexts::CannotCreateProject, path, refused));
        writeStandardOutput(readSummary(results.size(), added));
    } catch (...) {
        abandonProject(dataModule);
        QFile::remove(building);
        throw;
    }
}

void readIntoExistingProject(TMainDataModule& dataModule, const QString& path)
{
    try {
        const TArrayOfMsrResult results = download();
        const int added = importAndSave(dataModule, path, results, ReadTarget::ExistingProject);
        writeStandardOutput(readSummary(results.size(), added));
    } catch (...) {
        abandonProject(dataModule);
        throw;
    }
}

// A server cannot rename: the new project is made under its own name and dropped again when
// the read fails.
void readIntoNewServerProject(TMainDataModule& dataModule, const QString& path)
{
    bool created = false;
    try {
        created = dataModule.CreateDatabase(path);
    } catch (const std::exception& error) {
        throw CtlError(withReason(CommonTexts::CannotCreateProject, path, userReason(error)));
    }
    if (!created)
        throw CtlError(
            withReason(CommonTexts::CannotCreateProject, path, dataModule.failureReason()));
    try {
        openProject(dataModule, path);
        const TArrayOfMsrResult results = download();
        const int added = importAndSave(dataModule, path, results, ReadTarget::NewProject);
        writeStandardOutput(readSummary(results.size(), added));
    } catch (...) {
        abandonProject(dataModule);
        try {
            dataModule.MainDatabase->open();
            dataModule.MainDatabase->dropDatabase();
        } catch (...) {
            // What the server keeps is a complete, empty project.
        }
        throw;
    }
}

void readServerCommand(const CtlArguments& arguments)
{
    const QString& path = arguments.files[0];
    TMainDataModule dataModule;
    const bool existing = openServerProject(dataModule, path, ResultRows::Load);
    if (!existing && dataModule.failureReason() != StorageTexts::Missing)
        throw CtlError(
            withReason(CommonTexts::CannotOpenProject, path, dataModule.failureReason()));
    DeviceSession device(arguments.demo);
    if (existing)
        readIntoExistingProject(dataModule, path);
    else
        readIntoNewServerProject(dataModule, path);
}

void readCommand(const CtlArguments& arguments)
{
    const QString& path = arguments.files[0];
    if (isServerProjectName(path))
        return readServerCommand(arguments);
    // Whatever refuses the target does so before the instrument is asked for anything.
    TMainDataModule dataModule;
    const bool existing = QFileInfo::exists(path);
    if (existing) {
        openProject(dataModule, path);
    } else {
        const QString refused = ProjectTarget::whyNotCreatable(path, ProjectTarget::Existing::Keep);
        if (!refused.isEmpty())
            throw CtlError(withReason(CommonTexts::CannotCreateProject, path, refused));
    }
    DeviceSession device(arguments.demo);
    if (existing)
        readIntoExistingProject(dataModule, path);
    else
        readIntoNewProject(dataModule, path);
}

// The window offers neither the report nor the export for a project without results.
void refuseEmptyProject(TMainDataModule& dataModule, const QString& path, const QString& what)
{
    if (dataModule.IsEmpty())
        throw CtlError(
            QStringLiteral("В проекте %1 нет результатов: %2 нечего.").arg(nativePath(path), what));
}

void openForReport(TMainDataModule& dataModule, const CtlArguments& arguments,
                   ReportVariant variant)
{
    openProject(dataModule, arguments.files[0]);
    refuseEmptyProject(dataModule, arguments.files[0],
                       variant == ReportVariant::Export ? QStringLiteral("экспортировать")
                                                        : QStringLiteral("печатать"));
    dataModule.SetMeasurand(arguments.measurandCode);
    dataModule.SetLoadUnit(arguments.loadUnitCode);
}

MeasurandTexts measurandOf(TMainDataModule& dataModule)
{
    return {dataModule.GetMeasurandName(), dataModule.GetMeasurandUnit()};
}

BuiltReport buildReport(TMainDataModule& dataModule, const CtlArguments& arguments,
                        ReportVariant variant)
{
    openForReport(dataModule, arguments, variant);
    TMainDataModule::UpdateScope update(dataModule);
    DataModuleRowSource rows(dataModule);
    ReportTemplate mainReport = measurementReportTemplate();
    return buildMeasurementReport(mainReport, variant, rows, measurandOf(dataModule));
}

void exportCommand(const CtlArguments& arguments)
{
    refuseProjectAsOutput(arguments.files[1], arguments.files[0]);
    TMainDataModule dataModule;
    if (arguments.format == u"xlsx") {
        openProject(dataModule, arguments.files[0]);
        refuseEmptyProject(dataModule, arguments.files[0], QStringLiteral("экспортировать"));
        dataModule.SetMeasurand(arguments.measurandCode);
        dataModule.SetLoadUnit(arguments.loadUnitCode);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        try {
            const QString& project = arguments.files[0];
            writeResultWorkbook(
                dataModule,
                isServerProjectName(project) ? project : QFileInfo(project).absoluteFilePath(),
                buffer);
        } catch (const ReportError& error) {
            throw CtlError(QStringLiteral("Не удалось подготовить книгу Excel: %1.")
                               .arg(QString::fromUtf8(error.what())));
        }
        writeOutput(arguments.files[1], buffer.data());
        return;
    }
    openForReport(dataModule, arguments, ReportVariant::Export);
    TMainDataModule::UpdateScope update(dataModule);
    DataModuleRowSource rows(dataModule);
    ReportTemplate mainReport = measurementReportTemplate();
    const MeasurandTexts measurand = measurandOf(dataModule);
    // Each page goes out as soon as it is laid out, so that a long project is never held as
    // a whole report.
    writeOutput(arguments.files[1], [&](const OutputWriter& write) {
        CsvExport().writeStreamed(mainReport, rows, measurand, write);
    });
}

void reportCommand(const CtlArguments& arguments)
{
    refuseProjectAsOutput(arguments.files[1], arguments.files[0]);
    TMainDataModule dataModule;
    const BuiltReport report = buildReport(dataModule, arguments, ReportVariant::Print);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setCreator(CommonTexts::Title);
        pdf.setResolution(600);
        pdf.setPageLayout(ReportRenderer::pageLayout(report));
        if (!ReportRenderer::render(report, pdf))
            throw CtlError(QStringLiteral("Не удалось построить отчёт."));
    }
    writeOutput(arguments.files[1], buffer.data());
}

void screenCommand(const CtlArguments& arguments)
{
    static_assert(DEV_SCREEN_SIZE == ScreenBuffer::ReplySize);
    refuseProjectAsOutput(arguments.files[0]);
    DeviceSession device(arguments.demo);
    std::array<std::uint8_t, ScreenBuffer::ReplySize> reply{};
    const uint32_t status = USBTransfer(DEV_CMD_SCREEN, nullptr, 0, reply.data(), DEV_SCREEN_SIZE);
    if (status != 0)
        throw CtlError(LinkErrorTexts::withStatus(LinkErrorTexts::DeviceLinkError + u' ', status));
    ScreenBuffer buffer;
    buffer.loadScreenReply(reply);
    QImage picture;
    paintScreenBuffer(buffer, qRgb(0, 0, 0), qRgb(255, 255, 255), picture);
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    QString error;
    if (!writeBmp(picture, bytes, &error))
        throw CtlError(QStringLiteral("Не удалось подготовить снимок экрана: %1.").arg(error));
    writeOutput(arguments.files[0], bytes.data());
}

void infoCommand(const CtlArguments& arguments)
{
    TMainDataModule dataModule;
    openProject(dataModule, arguments.files[0], ResultRows::Skip);
    writeOutput(QStringLiteral("-"), arguments.format == u"json"
                                         ? ResultListing::infoJson(dataModule)
                                         : ResultListing::infoText(dataModule));
}

void listCommand(const CtlArguments& arguments)
{
    TMainDataModule dataModule;
    openProject(dataModule, arguments.files[0]);
    dataModule.SetMeasurand(arguments.measurandCode);
    dataModule.SetLoadUnit(arguments.loadUnitCode);
    // Each row goes out as it is formed: a long project is never held as a whole listing.
    const bool json = arguments.format == u"json";
    writeOutput(QStringLiteral("-"), [&](const OutputWriter& write) {
        if (json)
            ResultListing::json(dataModule, write);
        else
            ResultListing::tsv(dataModule, write);
    });
}

// What each command does, for a failure that is not the project's open or save.
QString commandFailure(const CtlArguments& arguments, const QString& reason)
{
    static const QHash<QString, QString> failures{
        {QStringLiteral("read"), QStringLiteral("Не удалось считать результаты в проект")},
        {QStringLiteral("export"), QStringLiteral("Не удалось экспортировать проект")},
        {QStringLiteral("report"), QStringLiteral("Не удалось построить отчёт по проекту")},
        {QStringLiteral("info"), QStringLiteral("Не удалось получить сведения о проекте")},
        {QStringLiteral("list"), QStringLiteral("Не удалось вывести результаты проекта")},
    };
    if (!failures.contains(arguments.command))
        return CommonTexts::errorSentence(QStringLiteral("Не удалось подготовить снимок экрана: ") +
                                          asClause(reason));
    return withReason(failures.value(arguments.command), arguments.files[0], reason);
}

} // namespace

void runCtlCommand(const CtlArguments& arguments)
{
    using Command = void (*)(const CtlArguments&);
    static const QHash<QString, Command> commands{
        {QStringLiteral("read"), readCommand},     {QStringLiteral("export"), exportCommand},
        {QStringLiteral("report"), reportCommand}, {QStringLiteral("screen"), screenCommand},
        {QStringLiteral("info"), infoCommand},     {QStringLiteral("list"), listCommand},
    };
    try {
        commands.value(arguments.command)(arguments);
    } catch (const std::bad_alloc&) {
        throw CtlError(commandFailure(arguments, CommonTexts::OutOfMemory));
    }
}

void checkOpenFileRoom(const CtlArguments& arguments)
{
    // The most descriptors each command held at once, measured with the demo instrument,
    // with room to spare for the engine's lock and temporary files.
    static const QHash<QString, int> needed{
        {QStringLiteral("read"), 24},   {QStringLiteral("export"), 24},
        {QStringLiteral("report"), 16}, {QStringLiteral("screen"), 16},
        {QStringLiteral("info"), 16},   {QStringLiteral("list"), 16},
    };
    if (OpenFileLimit::freeDescriptors() >= needed.value(arguments.command))
        return;
    if (arguments.command == u"screen")
        throw CtlError(commandFailure(arguments, CommonTexts::TooManyOpenFiles));
    // Said as the open or the creation of the project would say it.
    const QString& path = arguments.files[0];
    const bool creates = arguments.command == u"read" && !QFileInfo::exists(path);
    throw CtlError(
        withReason(creates ? CommonTexts::CannotCreateProject : CommonTexts::CannotOpenProject,
                   path, CommonTexts::TooManyOpenFiles));
}
