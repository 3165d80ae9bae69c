#include "storage/TMainDataModule.h"

#include "storage/ProjectProbe.h"
#include "storage/ProjectSchema.h"
#include "storage/ProjectTarget.h"
#include "storage/ResultTexts.h"
#include "storage/StorageError.h"
#include "storage/StorageTexts.h"
#include "storage/fb/Statement.h"

#include <QFile>
#include <QFileInfo>

#include <limits>
#include <new>
#include <vector>

namespace {

// Keys taken from the generator at once while results are appended in bulk.
constexpr int BulkKeyBlock = 1024;

} // namespace

TMainDataModule::TMainDataModule(QObject* parent) : QObject(parent)
{
    setObjectName("MainDataModule");
    MainDatabase = new FbDatabase(this, "MainDatabase");
    pFIBTransaction = new FbTransaction(this, "pFIBTransaction", MainDatabase);
    MainDatabase->setDefaultTransaction(pFIBTransaction);
    pFIBQuery = new FbQuery(this, "pFIBQuery", pFIBTransaction);

    dsetVORN = new ResultDataSet(this, "dsetVORN");
    dsetVORN->setDatabase(MainDatabase);
    dsetVORN->setTransaction(pFIBTransaction);
    dsetVORN->setSql(ProjectSchema::resultSql());
    createResultFields();
    dsetVORN->OnNewRecord = [this](CachedDataSet*) {
        dsetVORNMSR_RESULT_TABLE_PK->setAsInteger(nextResultKey());
    };
    connect(dsetVORN, &CachedDataSet::afterScroll, this, &TMainDataModule::dsetVORNAfterScroll);

    DescriptionDataSet = new CachedDataSet(this, "DescriptionDataSet");
    DescriptionDataSet->setDatabase(MainDatabase);
    DescriptionDataSet->setTransaction(pFIBTransaction);
    DescriptionDataSet->setSql(ProjectSchema::descriptionSql());
    createDescriptionFields();

    ResultDataSource = new DataSource(this, "ResultDataSource", dsetVORN);
    DescriptionDataSource = new DataSource(this, "DescriptionDataSource", DescriptionDataSet);
    DataModuleCreate(this);
}

TMainDataModule::~TMainDataModule()
{
    DataModuleDestroy(this);
    try {
        CloseDatabase();
    } catch (...) {
        closeEverything();
    }
}

void TMainDataModule::createResultFields()
{
    auto add = [this](const char* column, FieldKind kind) {
        return dsetVORN->addField(QStringLiteral("dsetVORN") + column, column, kind);
    };
    auto show = [](Field* field, const QString& label, int width, bool readOnly) {
        field->setDisplayLabel(label);
        field->setDisplayWidth(width);
        field->setReadOnly(readOnly);
    };
    auto hide = [](Field* field) { field->setVisible(false); };

    dsetVORNMSR_DATE = add("MSR_DATE", FieldKind::DateTime);
    show(dsetVORNMSR_DATE, QStringLiteral("Дата"), 12, true);
    dsetVORNMSR_TIME = add("MSR_TIME", FieldKind::DateTime);
    show(dsetVORNMSR_TIME, QStringLiteral("Время"), 12, true);
    dsetVORNMSR_NUMBER = add("MSR_NUMBER", FieldKind::Integer);
    show(dsetVORNMSR_NUMBER, QStringLiteral("№"), 6, true);
    dsetVORNREINF_KIND_ID = add("REINF_KIND_ID", FieldKind::Integer);
    show(dsetVORNREINF_KIND_ID, QStringLiteral("Тип"), 14, false);
    dsetVORNREINF_DIAMETER = add("REINF_DIAMETER", FieldKind::Integer);
    show(dsetVORNREINF_DIAMETER, QStringLiteral("Диаметр, мм"), 14, false);
    dsetVORNFORCE_ESTIMATE = add("FORCE_ESTIMATE", FieldKind::Integer);
    hide(dsetVORNFORCE_ESTIMATE);
    dsetVORNBASE = add("BASE", FieldKind::Integer);
    hide(dsetVORNBASE);
    dsetVORNF = add("F", FieldKind::Float);
    dsetVORNF->setDisplayWidth(14);
    dsetVORNP = add("P", FieldKind::Float);
    hide(dsetVORNP);
    dsetVORNS = add("S", FieldKind::Float);
    hide(dsetVORNS);
    dsetVORNMSR_COMMENT = add("MSR_COMMENT", FieldKind::Blob);
    hide(dsetVORNMSR_COMMENT);
    dsetVORNMSR_RESULT_TABLE_PK = add("MSR_RESULT_TABLE_PK", FieldKind::Integer);
    hide(dsetVORNMSR_RESULT_TABLE_PK);

    using namespace std::placeholders;
    dsetVORNMSR_DATE->setOnGetText(
        std::bind(&TMainDataModule::dsetVORNMSR_DATEGetText, this, _1, _2, _3));
    dsetVORNMSR_TIME->setOnGetText(
        std::bind(&TMainDataModule::dsetVORNMSR_TIMEGetText, this, _1, _2, _3));
    dsetVORNREINF_KIND_ID->setOnGetText(
        std::bind(&TMainDataModule::dsetVORNREINF_KIND_IDGetText, this, _1, _2, _3));
    dsetVORNF->setOnGetText(std::bind(&TMainDataModule::dsetVORNFGetText, this, _1, _2, _3));
}

void TMainDataModule::createDescriptionFields()
{
    auto add = [this](const char* column, FieldKind kind) {
        return DescriptionDataSet->addField(QStringLiteral("DescriptionDataSet") + column, column,
                                            kind);
    };
    DescriptionDataSetDEVICE_NAME = add("DEVICE_NAME", FieldKind::String);
    DescriptionDataSetDEVICE_NAME->setDisplayWidth(32);
    DescriptionDataSetDEVICE_NAME->setVisible(false);
    DescriptionDataSetDEVICE_DATA_VERSION = add("DEVICE_DATA_VERSION", FieldKind::Integer);
    DescriptionDataSetDEVICE_DATA_VERSION->setVisible(false);
    DescriptionDataSetPROJECT_DESC = add("PROJECT_DESC", FieldKind::Blob);
    DescriptionDataSetDESC_TABLE_PK = add("DESC_TABLE_PK", FieldKind::Integer);
    DescriptionDataSetDESC_TABLE_PK->setVisible(false);
}

bool TMainDataModule::CreateDatabase(const QString& FileName)
{
    m_failureReason.clear();
    if (MainDatabase->connected() || IsOpen())
        CloseDatabase();
    MainDatabase->creationParams() = ProjectSchema::creationParams();
    MainDatabase->setDbName(FileName);
    MainDatabase->setSqlDialect(3);
    const bool onServer = MainDatabase->onServer();
    if (onServer && !checkServerAccount())
        return false;
    if (onServer)
        MainDatabase->setConnectParams(m_serverAccount.user, m_serverAccount.password,
                                       ProjectSchema::Charset);
    // A server's files are not ours to look at or remove.
    const bool existed = onServer || QFileInfo::exists(FileName);
    try {
        MainDatabase->createDatabase();
    } catch (const StorageError& error) {
        m_failureReason = reasonOf(error);
        closeEverything();
        // A create that failed half way may leave a file behind, and it is no project.
        if (!existed)
            QFile::remove(FileName);
        return false;
    }
    try {
        for (const QString& statement : ProjectSchema::buildStatements())
            ExecuteStatement(statement);
        MainDatabase->close();
    } catch (const StorageError& error) {
        m_failureReason = reasonOf(error);
        // A half-built file is no project: remove it rather than leave it behind.
        try {
            MainDatabase->dropDatabase();
        } catch (const StorageError&) {
            closeEverything();
        }
        if (!onServer)
            QFile::remove(FileName);
        return false;
    }
    return true;
}

bool TMainDataModule::checkServerAccount()
{
    if (!m_serverAccount.user.isEmpty() && !m_serverAccount.password.isEmpty())
        return true;
    m_failureReason = StorageTexts::NoServerAccount;
    return false;
}

bool TMainDataModule::createReplacing(const QString& FileName)
{
    m_failureReason.clear();
    if (MainDatabase->connected() || IsOpen())
        CloseDatabase();
    // The server refuses to create over a database it has; nothing is replaced there.
    if (isServerProjectName(FileName))
        return CreateDatabase(FileName);
    // Through a link the project it names is replaced, and the link stays.
    const QFileInfo chosen(FileName);
    const QString target =
        chosen.isSymLink() && chosen.exists() ? chosen.canonicalFilePath() : FileName;
    m_failureReason = ProjectTarget::whyNotCreatable(target, ProjectTarget::Existing::Replace);
    if (!m_failureReason.isEmpty())
        return false;
    // Held until the new file has the name, so that no engine attaches the old one meanwhile.
    const ProjectTarget::Claim claim(target);
    if (claim.inUse()) {
        m_failureReason = StorageTexts::InUse;
        return false;
    }
    const QString built = ProjectTarget::hiddenSibling(target);
    if (!CreateDatabase(built)) {
        QFile::remove(built);
        return false;
    }
    m_failureReason = ProjectTarget::putInPlace(built, target, ProjectTarget::Existing::Replace);
    if (m_failureReason.isEmpty())
        return true;
    QFile::remove(built);
    return false;
}

bool TMainDataModule::OpenDatabase(const QString& FileName, ResultRows rows)
{
    m_failureReason.clear();
    if (MainDatabase->connected() || IsOpen())
        CloseDatabase();
    bool result = true;
    BeginUpdate();
    MainDatabase->clearParams();
    MainDatabase->setDbName(FileName);
    const bool onServer = MainDatabase->onServer();
    if (onServer)
        MainDatabase->setConnectParams(m_serverAccount.user, m_serverAccount.password,
                                       ProjectSchema::Charset);
    else
        MainDatabase->setConnectParams(ProjectSchema::User, ProjectSchema::Password,
                                       ProjectSchema::Charset);
    MainDatabase->setSqlDialect(3);
    bool attached = false;
    try {
        if (onServer && !checkServerAccount())
            throw StorageError(StorageTexts::NoServerAccount, std::string());
        probeBeforeOpen(FileName);
        MainDatabase->open();
        attached = true;
        if (!onServer)
            m_openedFile = FileIdentity::of(FileName);
        pFIBTransaction->ensureStarted();
        const bool identified =
            ProjectSchema::columnsMatch(MainDatabase->attachment(), pFIBTransaction->handle()) &&
            [this] {
                DescriptionDataSet->open();
                DescriptionDataSet->first();
                return DescriptionDataSetDEVICE_NAME->asBytes() == QByteArray(DeviceName) &&
                       DescriptionDataSetDEVICE_DATA_VERSION->asInteger() == DeviceDataVersion;
            }();
        if (identified && rows == ResultRows::Load) {
            dsetVORN->setCachedUpdates(true);
            dsetVORN->open();
            SortResults();
        } else if (!identified) {
            result = false;
            m_failureReason = StorageTexts::NotAProject;
        }
    } catch (const StorageError& error) {
        result = false;
        m_failureReason = reasonOf(error);
        // The engine read the file, but what it found is not what this program writes.
        if (attached && m_failureReason == StorageTexts::EngineFailed)
            m_failureReason = StorageTexts::NotAProject;
    } catch (const std::bad_alloc&) {
        result = false;
        m_failureReason = StorageTexts::OutOfMemory;
    } catch (...) {
        result = false;
        m_failureReason = StorageTexts::EngineFailed;
    }
    if (!result)
        closeEverything();
    EndUpdate();
    NotifyScroll();
    return result;
}

void TMainDataModule::CloseDatabase()
{
    // Committed before anything is dropped: when the commit fails, the project stays open with
    // its changes, and the caller can tell the user.
    if (MainDatabase->connected() && pFIBTransaction->active()) {
        try {
            pFIBTransaction->commit();
        } catch (const StorageError& error) {
            throw StorageError(StorageTexts::CloseFailed, error);
        }
    }
    // Everything was committed; what the engine refuses now cannot lose data.
    closeEverything();
}

void TMainDataModule::closeEverything() noexcept
{
    dsetVORN->close();
    DescriptionDataSet->close();
    dropUnusedKeys();
    m_openedFile = FileIdentity();
    try {
        MainDatabase->close();
    } catch (...) {
        abandonConnection();
    }
}

void TMainDataModule::abandonConnection() noexcept
{
    // After a failure the engine may throw from inside a detach or rollback, past its own
    // interface and out of the process: let go of both handles without another call.
    pFIBTransaction->handle().abandon();
    MainDatabase->attachment().abandon();
}

void TMainDataModule::probeBeforeOpen(const QString& FileName)
{
    // Only a file the engine could attach at all is worth a child process; a server watches
    // over its own files.
    if (isServerProjectName(FileName) || !QFileInfo(FileName).isFile() || hasServerPart(FileName))
        return;
    const ProjectProbe::Verdict verdict = ProjectProbe::probe(FileName);
    if (verdict == ProjectProbe::Verdict::Hung || verdict == ProjectProbe::Verdict::Crashed)
        throw StorageError(StorageTexts::Damaged, std::string());
}

QString TMainDataModule::reasonOf(const StorageError& error) const
{
    const QString reason = error.reason().isEmpty() ? StorageTexts::EngineFailed : error.reason();
    return MainDatabase->onServer() ? StorageTexts::serverReason(reason) : reason;
}

ResultsOverview TMainDataModule::storedResultsSummary()
{
    if (!MainDatabase->connected())
        throw StorageError("storedResultsSummary: no project is open");
    pFIBTransaction->ensureStarted();
    fb::Statement query(MainDatabase->attachment(), pFIBTransaction->handle(),
                        "SELECT COUNT(*), MIN(MSR_DATE), MAX(MSR_DATE) FROM MSR_RESULT_TABLE");
    query.open(pFIBTransaction->handle());
    ResultsOverview summary;
    if (query.fetch()) {
        summary.count = query.getInteger(0);
        if (!query.isNull(1))
            summary.first = query.getDateTime(1);
        if (!query.isNull(2))
            summary.last = query.getDateTime(2);
    }
    query.closeCursor();
    return summary;
}

bool TMainDataModule::ExecuteStatement(const QString& SQL)
{
    pFIBTransaction->ensureStarted();
    pFIBQuery->setSql(SQL);
    pFIBQuery->execQuery();
    pFIBTransaction->commitRetaining();
    return true;
}

void TMainDataModule::DataModuleCreate(QObject*)
{
    UpdateCount = 0;
    dsetVORN->setCachedUpdates(true);
    DescriptionDataSet->setCachedUpdates(true);
}

void TMainDataModule::DataModuleDestroy(QObject*) {}

bool TMainDataModule::IsOpen() const
{
    return dsetVORN->active() || DescriptionDataSet->active();
}

bool TMainDataModule::IsEmpty() const
{
    return dsetVORN->isEmpty();
}

void TMainDataModule::PostEdits()
{
    for (CachedDataSet* dataSet : {DescriptionDataSet, static_cast<CachedDataSet*>(dsetVORN)}) {
        const DataSetState state = dataSet->state();
        if (state == DataSetState::Edit || state == DataSetState::Insert)
            dataSet->post();
    }
}

bool TMainDataModule::HasChanges() const
{
    auto editing = [](const DataSource* source) {
        return source->state() == DataSetState::Edit || source->state() == DataSetState::Insert;
    };
    return DescriptionDataSet->updatesPending() || dsetVORN->updatesPending() ||
           editing(DescriptionDataSource) || editing(ResultDataSource);
}

void TMainDataModule::SaveChanges()
{
    UpdateScope update(*this);
    std::vector<CachedDataSet*> pending;
    for (CachedDataSet* dataSet : {static_cast<CachedDataSet*>(dsetVORN), DescriptionDataSet})
        if (dataSet->updatesPending())
            pending.push_back(dataSet);
    if (pending.empty())
        return;
    // All or nothing: the writes of both datasets are undone together on any failure, and the
    // cache keeps every change until the commit has succeeded, so that a retry writes each
    // exactly once.
    try {
        pFIBTransaction->ensureStarted();
        executeRaw("SAVEPOINT VORN_SAVE");
        for (CachedDataSet* dataSet : pending)
            dataSet->writeUpdates();
        checkFileStillOpen();
        pFIBTransaction->commitRetaining();
    } catch (const StorageError& error) {
        for (CachedDataSet* dataSet : pending)
            dataSet->discardWrittenUpdates();
        undoUncommittedWrites();
        throw StorageError(StorageTexts::SaveFailed, error);
    }
    for (CachedDataSet* dataSet : pending) {
        dataSet->commitWrittenUpdates();
        dataSet->refresh();
    }
}

void TMainDataModule::executeRaw(const char* sql)
{
    fb::Statement statement(MainDatabase->attachment(), pFIBTransaction->handle(), sql);
    statement.execute(pFIBTransaction->handle());
}

void TMainDataModule::undoUncommittedWrites() noexcept
{
    if (!pFIBTransaction->active())
        return;
    try {
        executeRaw("ROLLBACK TO SAVEPOINT VORN_SAVE");
        return;
    } catch (const StorageError&) {
    }
    // A failed commit may have taken the savepoint with it; everything since the last commit
    // belongs to this save alone.
    try {
        pFIBTransaction->handle().rollbackRetaining();
        return;
    } catch (const StorageError&) {
    }
    // Never committed later, by the close or anything else.
    pFIBTransaction->handle().abandon();
}

void TMainDataModule::checkFileStillOpen() const
{
    if (MainDatabase->onServer())
        return;
    const FileIdentity now = FileIdentity::of(MainDatabase->dbName());
    if (m_openedFile.valid && !(now == m_openedFile))
        throw StorageError(StorageTexts::FileReplaced, std::string());
}

QString TMainDataModule::failureReason() const
{
    return m_failureReason;
}

void TMainDataModule::CancelChanges()
{
    {
        UpdateScope update(*this);
        for (CachedDataSet* dataSet : {static_cast<CachedDataSet*>(dsetVORN), DescriptionDataSet}) {
            if (!dataSet->updatesPending())
                continue;
            dataSet->cancelUpdates();
            dataSet->refresh();
        }
    }
    NotifyScroll();
}

void TMainDataModule::DeleteAllResults()
{
    {
        UpdateScope update(*this);
        dsetVORN->deleteAll();
    }
    NotifyScroll();
}

void TMainDataModule::BeginUpdate()
{
    ++UpdateCount;
    for (CachedDataSet* dataSet : {DescriptionDataSet, static_cast<CachedDataSet*>(dsetVORN)}) {
        dataSet->disableControls();
        dataSet->disableScrollEvents();
    }
}

void TMainDataModule::EndUpdate()
{
    if (UpdateCount > 0)
        --UpdateCount;
    for (CachedDataSet* dataSet : {DescriptionDataSet, static_cast<CachedDataSet*>(dsetVORN)}) {
        dataSet->enableControls();
        dataSet->enableScrollEvents();
    }
}

void TMainDataModule::NotifyScroll()
{
    dsetVORNAfterScroll(dsetVORN);
}

void TMainDataModule::SortResults()
{
    PostEdits();
    if (dsetVORN->active())
        dsetVORN->sortBy({dsetVORNMSR_DATE, dsetVORNMSR_NUMBER});
}

bool TMainDataModule::AddResult(const TMsrResult& R)
{
    if (ResultExists(R))
        return false;
    dsetVORN->append();
    try {
        dsetVORNMSR_DATE->setAsDateTime(R.MsrDate);
        dsetVORNMSR_TIME->setAsDateTime(R.MsrDate);
        dsetVORNMSR_NUMBER->setAsInteger(static_cast<int32_t>(R.MsrNumber));
        dsetVORNREINF_KIND_ID->setAsInteger(R.ReinfKindID);
        dsetVORNREINF_DIAMETER->setAsInteger(R.ReinfDiameter);
        dsetVORNFORCE_ESTIMATE->setAsInteger(R.ForceEstimate);
        dsetVORNBASE->setAsInteger(R.Base);
        dsetVORNF->setAsFloat(R.F);
        dsetVORNP->setAsFloat(R.P);
        dsetVORNS->setAsFloat(R.S);
        dsetVORNMSR_COMMENT->clear();
        dsetVORN->post();
    } catch (...) {
        dsetVORN->cancel();
        throw;
    }
    return true;
}

bool TMainDataModule::ResultExists(const TMsrResult& R)
{
    return dsetVORN->locateResult(R.MsrDate, R.MsrNumber);
}

int32_t TMainDataModule::LoadRecord(TMsrResult& R)
{
    const DataSetState state = dsetVORN->state();
    if (state == DataSetState::Edit || state == DataSetState::Insert)
        dsetVORN->post();
    if (!dsetVORN->active() || dsetVORN->isEmpty())
        return -1;
    R.MsrDate = dsetVORNMSR_DATE->asDateTime();
    R.MsrNumber = static_cast<uint32_t>(dsetVORNMSR_NUMBER->asInteger());
    R.ReinfKindID = dsetVORNREINF_KIND_ID->asInteger();
    R.ReinfDiameter = dsetVORNREINF_DIAMETER->asInteger();
    R.ForceEstimate = dsetVORNFORCE_ESTIMATE->asInteger();
    R.Base = dsetVORNBASE->asInteger();
    R.F = static_cast<float>(dsetVORNF->asFloat());
    R.P = static_cast<float>(dsetVORNP->asFloat());
    R.S = static_cast<float>(dsetVORNS->asFloat());
    return 0;
}

void TMainDataModule::dsetVORNAfterScroll(CachedDataSet* DataSet)
{
    if (DataSet->state() == DataSetState::Browse && OnResultScroll)
        OnResultScroll();
}

void TMainDataModule::SetMeasurand(int32_t Code)
{
    changeTextCode(MeasurandCode, Code);
}

void TMainDataModule::SetLoadUnit(int32_t Code)
{
    changeTextCode(LoadUnitCode, Code);
}

void TMainDataModule::changeTextCode(int32_t& current, int32_t code)
{
    if (code != current) {
        current = code;
        // Only the texts change: a redraw is enough and keeps unsaved changes of the row.
        if (dsetVORN->active())
            dsetVORN->redrawControls();
    }
    dsetVORNF->setDisplayLabel(GetMeasurandUnit());
}

QString TMainDataModule::GetMeasurandName() const
{
    return ResultTexts::measurandName(MeasurandCode);
}

QString TMainDataModule::GetMeasurandUnit() const
{
    return ResultTexts::measurandUnit(MeasurandCode, LoadUnitCode);
}

QString TMainDataModule::GetReinfKindName(int32_t Code) const
{
    return ResultTexts::reinfKindName(Code);
}

void TMainDataModule::dsetVORNMSR_DATEGetText(Field* Sender, QString& Text, bool)
{
    Text = Sender->isNull() ? QString() : ResultTexts::dateText(Sender->asDateTime());
}

void TMainDataModule::dsetVORNMSR_TIMEGetText(Field* Sender, QString& Text, bool)
{
    Text = Sender->isNull() ? QString() : ResultTexts::timeText(Sender->asDateTime());
}

void TMainDataModule::dsetVORNREINF_KIND_IDGetText(Field* Sender, QString& Text, bool)
{
    Text = Sender->isNull() ? QString() : GetReinfKindName(Sender->asInteger());
}

void TMainDataModule::dsetVORNFGetText(Field* Sender, QString& Text, bool)
{
    const std::optional<double> f =
        Sender->isNull() ? std::nullopt : std::optional<double>(Sender->asFloat());
    Text =
        ResultTexts::forceText(f, dsetVORNREINF_DIAMETER->asInteger(), MeasurandCode, LoadUnitCode);
}

void TMainDataModule::dropUnusedKeys()
{
    m_nextKey = 0;
    m_lastReservedKey = -1;
}

int32_t TMainDataModule::nextResultKey()
{
    if (m_nextKey > m_lastReservedKey) {
        const int step = UpdateCount > 0 ? BulkKeyBlock : 1;
        pFIBTransaction->ensureStarted();
        const int64_t top = fb::nextGeneratorValue(
            MainDatabase->attachment(), pFIBTransaction->handle(), "MSR_RESULT_TABLE_GEN", step);
        m_nextKey = top - step + 1;
        m_lastReservedKey = top;
    }
    if (m_nextKey > std::numeric_limits<int32_t>::max() || m_nextKey < 1)
        throw StorageError("MSR_RESULT_TABLE_GEN has run out of keys");
    return static_cast<int32_t>(m_nextKey++);
}
