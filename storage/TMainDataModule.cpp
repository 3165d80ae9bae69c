#include "storage/TMainDataModule.h"

#include "storage/ProjectProbe.h"
#include "storage/ProjectSchema.h"
#include "storage/ResultTexts.h"
#include "storage/StorageError.h"
#include "storage/StorageTexts.h"
#include "storage/fb/Statement.h"

#include <QFile>
#include <QFileInfo>

#include <limits>
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
    MainDatabase->SetDefaultTransaction(pFIBTransaction);
    pFIBQuery = new FbQuery(this, "pFIBQuery", pFIBTransaction);

    dsetVORN = new ResultDataSet(this, "dsetVORN");
    dsetVORN->SetDatabase(MainDatabase);
    dsetVORN->SetTransaction(pFIBTransaction);
    dsetVORN->SetSelectSQL(ProjectSchema::ResultSelectSQL());
    dsetVORN->SetRefreshSQL(ProjectSchema::ResultRefreshSQL());
    dsetVORN->SetInsertSQL(ProjectSchema::ResultInsertSQL());
    dsetVORN->SetUpdateSQL(ProjectSchema::ResultUpdateSQL());
    dsetVORN->SetDeleteSQL(ProjectSchema::ResultDeleteSQL());
    CreateResultFields();
    dsetVORN->OnNewRecord = [this](CachedDataSet*) {
        dsetVORNMSR_RESULT_TABLE_PK->SetAsInteger(NextResultKey());
    };
    connect(dsetVORN, &CachedDataSet::AfterScroll, this, &TMainDataModule::dsetVORNAfterScroll);

    DescriptionDataSet = new CachedDataSet(this, "DescriptionDataSet");
    DescriptionDataSet->SetDatabase(MainDatabase);
    DescriptionDataSet->SetTransaction(pFIBTransaction);
    DescriptionDataSet->SetSelectSQL(ProjectSchema::DescriptionSelectSQL());
    DescriptionDataSet->SetRefreshSQL(ProjectSchema::DescriptionRefreshSQL());
    DescriptionDataSet->SetInsertSQL(ProjectSchema::DescriptionInsertSQL());
    DescriptionDataSet->SetUpdateSQL(ProjectSchema::DescriptionUpdateSQL());
    DescriptionDataSet->SetDeleteSQL(ProjectSchema::DescriptionDeleteSQL());
    CreateDescriptionFields();

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
        CloseEverything();
    }
}

void TMainDataModule::CreateResultFields()
{
    auto add = [this](const char* column, FieldKind kind) {
        return dsetVORN->AddField(QStringLiteral("dsetVORN") + column, column, kind);
    };
    auto show = [](TField* field, const QString& label, int width, bool readOnly) {
        field->SetDisplayLabel(label);
        field->SetDisplayWidth(width);
        field->SetReadOnly(readOnly);
    };
    auto hide = [](TField* field) { field->SetVisible(false); };

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
    dsetVORNF->SetDisplayWidth(14);
    dsetVORNP = add("P", FieldKind::Float);
    hide(dsetVORNP);
    dsetVORNS = add("S", FieldKind::Float);
    hide(dsetVORNS);
    dsetVORNMSR_COMMENT = add("MSR_COMMENT", FieldKind::Blob);
    hide(dsetVORNMSR_COMMENT);
    dsetVORNMSR_RESULT_TABLE_PK = add("MSR_RESULT_TABLE_PK", FieldKind::Integer);
    hide(dsetVORNMSR_RESULT_TABLE_PK);

    using namespace std::placeholders;
    dsetVORNMSR_DATE->SetOnGetText(
        std::bind(&TMainDataModule::dsetVORNMSR_DATEGetText, this, _1, _2, _3));
    dsetVORNMSR_TIME->SetOnGetText(
        std::bind(&TMainDataModule::dsetVORNMSR_TIMEGetText, this, _1, _2, _3));
    dsetVORNREINF_KIND_ID->SetOnGetText(
        std::bind(&TMainDataModule::dsetVORNREINF_KIND_IDGetText, this, _1, _2, _3));
    dsetVORNF->SetOnGetText(std::bind(&TMainDataModule::dsetVORNFGetText, this, _1, _2, _3));
}

void TMainDataModule::CreateDescriptionFields()
{
    auto add = [this](const char* column, FieldKind kind) {
        return DescriptionDataSet->AddField(QStringLiteral("DescriptionDataSet") + column, column,
                                            kind);
    };
    DescriptionDataSetDEVICE_NAME = add("DEVICE_NAME", FieldKind::String);
    DescriptionDataSetDEVICE_NAME->SetDisplayWidth(32);
    DescriptionDataSetDEVICE_NAME->SetVisible(false);
    DescriptionDataSetDEVICE_DATA_VERSION = add("DEVICE_DATA_VERSION", FieldKind::Integer);
    DescriptionDataSetDEVICE_DATA_VERSION->SetVisible(false);
    DescriptionDataSetPROJECT_DESC = add("PROJECT_DESC", FieldKind::Blob);
    DescriptionDataSetDESC_TABLE_PK = add("DESC_TABLE_PK", FieldKind::Integer);
    DescriptionDataSetDESC_TABLE_PK->SetVisible(false);
}

bool TMainDataModule::CreateDatabase(const QString& FileName)
{
    m_failureReason.clear();
    if (MainDatabase->Connected() || IsOpen())
        CloseDatabase();
    MainDatabase->CreationParams() = ProjectSchema::CreationParams();
    MainDatabase->SetDBName(FileName);
    MainDatabase->SetSQLDialect(3);
    const bool existed = QFileInfo::exists(FileName);
    try {
        MainDatabase->CreateDatabase();
    } catch (const StorageError& error) {
        m_failureReason = ReasonOf(error);
        CloseEverything();
        // A create that failed half way may leave a file behind, and it is no project.
        if (!existed)
            QFile::remove(FileName);
        return false;
    }
    try {
        for (const QString& statement : ProjectSchema::BuildStatements())
            ExecuteStatement(statement);
        MainDatabase->Close();
    } catch (const StorageError& error) {
        m_failureReason = ReasonOf(error);
        // A half-built file is no project: remove it rather than leave it behind.
        try {
            MainDatabase->DropDatabase();
        } catch (const StorageError&) {
            CloseEverything();
        }
        QFile::remove(FileName);
        return false;
    }
    return true;
}

bool TMainDataModule::OpenDatabase(const QString& FileName, ResultRows rows)
{
    m_failureReason.clear();
    if (MainDatabase->Connected() || IsOpen())
        CloseDatabase();
    bool result = true;
    BeginUpdate();
    MainDatabase->ClearParams();
    MainDatabase->SetDBName(FileName);
    MainDatabase->SetConnectParams("SYSDBA", "tarnwheel", "ASCII");
    MainDatabase->SetSQLDialect(3);
    bool attached = false;
    try {
        ProbeBeforeOpen(FileName);
        MainDatabase->Open();
        attached = true;
        m_openedFile = FileIdentity::Of(FileName);
        pFIBTransaction->EnsureStarted();
        const bool identified =
            ProjectSchema::ColumnsMatch(MainDatabase->Attachment(), pFIBTransaction->Handle()) &&
            [this] {
                DescriptionDataSet->Open();
                DescriptionDataSet->First();
                return DescriptionDataSetDEVICE_NAME->AsBytes() == QByteArray(DeviceName) &&
                       DescriptionDataSetDEVICE_DATA_VERSION->AsInteger() == DeviceDataVersion;
            }();
        if (identified && rows == ResultRows::Load) {
            dsetVORN->SetCachedUpdates(true);
            dsetVORN->Open();
            SortResults();
        } else if (!identified) {
            result = false;
            m_failureReason = StorageTexts::NotAProject;
        }
    } catch (const StorageError& error) {
        result = false;
        m_failureReason = ReasonOf(error);
        // The engine read the file, but what it found is not what this program writes.
        if (attached && m_failureReason == StorageTexts::EngineFailed)
            m_failureReason = StorageTexts::NotAProject;
    } catch (...) {
        result = false;
        m_failureReason = StorageTexts::EngineFailed;
    }
    if (!result)
        CloseEverything();
    EndUpdate();
    NotifyScroll();
    return result;
}

void TMainDataModule::CloseDatabase()
{
    // Committed before anything is dropped: when the commit fails, the project stays open with
    // its changes, and the caller can tell the user.
    if (MainDatabase->Connected() && pFIBTransaction->Active()) {
        try {
            pFIBTransaction->Commit();
        } catch (const StorageError& error) {
            throw StorageError(StorageTexts::CloseFailed, error);
        }
    }
    dsetVORN->Close();
    DescriptionDataSet->Close();
    DropUnusedKeys();
    m_openedFile = FileIdentity();
    try {
        MainDatabase->Close();
    } catch (const StorageError&) {
        // Everything was committed; what the engine refuses now cannot lose data.
        AbandonConnection();
    }
}

void TMainDataModule::CloseEverything() noexcept
{
    dsetVORN->Close();
    DescriptionDataSet->Close();
    DropUnusedKeys();
    m_openedFile = FileIdentity();
    try {
        MainDatabase->Close();
    } catch (...) {
        AbandonConnection();
    }
}

void TMainDataModule::AbandonConnection() noexcept
{
    // After a failure the engine may throw from inside a detach or rollback, past its own
    // interface and out of the process: let go of both handles without another call.
    pFIBTransaction->Handle().Abandon();
    MainDatabase->Attachment().Abandon();
}

void TMainDataModule::ProbeBeforeOpen(const QString& FileName)
{
    // Only a file the engine could attach at all is worth a child process.
    if (!QFileInfo(FileName).isFile() || FileName.contains(u':'))
        return;
    const ProjectProbe::Verdict verdict = ProjectProbe::Probe(FileName);
    if (verdict == ProjectProbe::Verdict::Hung || verdict == ProjectProbe::Verdict::Crashed)
        throw StorageError(StorageTexts::Damaged, std::string());
}

QString TMainDataModule::ReasonOf(const StorageError& error)
{
    return error.reason().isEmpty() ? StorageTexts::EngineFailed : error.reason();
}

ResultsOverview TMainDataModule::StoredResultsSummary()
{
    if (!MainDatabase->Connected())
        throw StorageError("StoredResultsSummary: no project is open");
    pFIBTransaction->EnsureStarted();
    fb::Statement query(MainDatabase->Attachment(), pFIBTransaction->Handle(),
                        "SELECT COUNT(*), MIN(MSR_DATE), MAX(MSR_DATE) FROM MSR_RESULT_TABLE");
    query.Open(pFIBTransaction->Handle());
    ResultsOverview summary;
    if (query.Fetch()) {
        summary.count = query.GetInteger(0);
        if (!query.IsNull(1))
            summary.first = query.GetDateTime(1);
        if (!query.IsNull(2))
            summary.last = query.GetDateTime(2);
    }
    query.CloseCursor();
    return summary;
}

bool TMainDataModule::ExecuteStatement(const QString& SQL)
{
    pFIBTransaction->EnsureStarted();
    pFIBQuery->SetSQL(SQL);
    pFIBQuery->ExecQuery();
    pFIBTransaction->CommitRetaining();
    return true;
}

void TMainDataModule::DataModuleCreate(QObject*)
{
    UpdateCount = 0;
    dsetVORN->SetCachedUpdates(true);
    DescriptionDataSet->SetCachedUpdates(true);
}

void TMainDataModule::DataModuleDestroy(QObject*) {}

bool TMainDataModule::IsOpen() const
{
    return dsetVORN->Active() || DescriptionDataSet->Active();
}

bool TMainDataModule::IsEmpty() const
{
    return dsetVORN->IsEmpty();
}

void TMainDataModule::PostEdits()
{
    for (CachedDataSet* dataSet : {DescriptionDataSet, static_cast<CachedDataSet*>(dsetVORN)}) {
        const DataSetState state = dataSet->State();
        if (state == DataSetState::Edit || state == DataSetState::Insert)
            dataSet->Post();
    }
}

bool TMainDataModule::HasChanges() const
{
    auto editing = [](const DataSource* source) {
        return source->State() == DataSetState::Edit || source->State() == DataSetState::Insert;
    };
    return DescriptionDataSet->UpdatesPending() || dsetVORN->UpdatesPending() ||
           editing(DescriptionDataSource) || editing(ResultDataSource);
}

void TMainDataModule::SaveChanges()
{
    UpdateScope update(*this);
    std::vector<CachedDataSet*> pending;
    for (CachedDataSet* dataSet : {static_cast<CachedDataSet*>(dsetVORN), DescriptionDataSet})
        if (dataSet->UpdatesPending())
            pending.push_back(dataSet);
    if (pending.empty())
        return;
    // All or nothing: the writes of both datasets are undone together on any failure, and the
    // cache keeps every change until the commit has succeeded, so that a retry writes each
    // exactly once.
    try {
        pFIBTransaction->EnsureStarted();
        ExecuteRaw("SAVEPOINT VORN_SAVE");
        for (CachedDataSet* dataSet : pending)
            dataSet->WriteUpdates();
        CheckFileStillOpen();
        pFIBTransaction->CommitRetaining();
    } catch (const StorageError& error) {
        for (CachedDataSet* dataSet : pending)
            dataSet->DiscardWrittenUpdates();
        UndoUncommittedWrites();
        throw StorageError(StorageTexts::SaveFailed, error);
    }
    for (CachedDataSet* dataSet : pending) {
        dataSet->CommitWrittenUpdates();
        dataSet->Refresh();
    }
}

void TMainDataModule::ExecuteRaw(const char* sql)
{
    fb::Statement statement(MainDatabase->Attachment(), pFIBTransaction->Handle(), sql);
    statement.Execute(pFIBTransaction->Handle());
}

void TMainDataModule::UndoUncommittedWrites() noexcept
{
    if (!pFIBTransaction->Active())
        return;
    try {
        ExecuteRaw("ROLLBACK TO SAVEPOINT VORN_SAVE");
        return;
    } catch (const StorageError&) {
    }
    // A failed commit may have taken the savepoint with it; everything since the last commit
    // belongs to this save alone.
    try {
        pFIBTransaction->Handle().RollbackRetaining();
        return;
    } catch (const StorageError&) {
    }
    // Never committed later, by the close or anything else.
    pFIBTransaction->Handle().Abandon();
}

void TMainDataModule::CheckFileStillOpen() const
{
    const FileIdentity now = FileIdentity::Of(MainDatabase->DBName());
    if (m_openedFile.valid && !(now == m_openedFile))
        throw StorageError(StorageTexts::FileReplaced, std::string());
}

QString TMainDataModule::FailureReason() const
{
    return m_failureReason;
}

void TMainDataModule::CancelChanges()
{
    {
        UpdateScope update(*this);
        for (CachedDataSet* dataSet : {static_cast<CachedDataSet*>(dsetVORN), DescriptionDataSet}) {
            if (!dataSet->UpdatesPending())
                continue;
            dataSet->CancelUpdates();
            dataSet->Refresh();
        }
    }
    NotifyScroll();
}

void TMainDataModule::DeleteAllResults()
{
    {
        UpdateScope update(*this);
        dsetVORN->DeleteAll();
    }
    NotifyScroll();
}

void TMainDataModule::BeginUpdate()
{
    ++UpdateCount;
    for (CachedDataSet* dataSet : {DescriptionDataSet, static_cast<CachedDataSet*>(dsetVORN)}) {
        dataSet->DisableControls();
        dataSet->DisableScrollEvents();
    }
}

void TMainDataModule::EndUpdate()
{
    if (UpdateCount > 0)
        --UpdateCount;
    for (CachedDataSet* dataSet : {DescriptionDataSet, static_cast<CachedDataSet*>(dsetVORN)}) {
        dataSet->EnableControls();
        dataSet->EnableScrollEvents();
    }
}

void TMainDataModule::NotifyScroll()
{
    dsetVORNAfterScroll(dsetVORN);
}

void TMainDataModule::SortResults()
{
    PostEdits();
    if (dsetVORN->Active())
        dsetVORN->SortBy({dsetVORNMSR_DATE, dsetVORNMSR_NUMBER});
}

bool TMainDataModule::AddResult(const TMsrResult& R)
{
    if (ResultExists(R))
        return false;
    dsetVORN->Append();
    try {
        dsetVORNMSR_DATE->SetAsDateTime(R.MsrDate);
        dsetVORNMSR_TIME->SetAsDateTime(R.MsrDate);
        dsetVORNMSR_NUMBER->SetAsInteger(static_cast<int32_t>(R.MsrNumber));
        dsetVORNREINF_KIND_ID->SetAsInteger(R.ReinfKindID);
        dsetVORNREINF_DIAMETER->SetAsInteger(R.ReinfDiameter);
        dsetVORNFORCE_ESTIMATE->SetAsInteger(R.ForceEstimate);
        dsetVORNBASE->SetAsInteger(R.Base);
        dsetVORNF->SetAsFloat(R.F);
        dsetVORNP->SetAsFloat(R.P);
        dsetVORNS->SetAsFloat(R.S);
        dsetVORNMSR_COMMENT->Clear();
        dsetVORN->Post();
    } catch (...) {
        dsetVORN->Cancel();
        throw;
    }
    return true;
}

bool TMainDataModule::ResultExists(const TMsrResult& R)
{
    return dsetVORN->LocateResult(R.MsrDate, R.MsrNumber);
}

int32_t TMainDataModule::LoadRecord(TMsrResult& R)
{
    const DataSetState state = dsetVORN->State();
    if (state == DataSetState::Edit || state == DataSetState::Insert)
        dsetVORN->Post();
    if (!dsetVORN->Active() || dsetVORN->IsEmpty())
        return -1;
    R.MsrDate = dsetVORNMSR_DATE->AsDateTime();
    R.MsrNumber = static_cast<uint32_t>(dsetVORNMSR_NUMBER->AsInteger());
    R.ReinfKindID = dsetVORNREINF_KIND_ID->AsInteger();
    R.ReinfDiameter = dsetVORNREINF_DIAMETER->AsInteger();
    R.ForceEstimate = dsetVORNFORCE_ESTIMATE->AsInteger();
    R.Base = dsetVORNBASE->AsInteger();
    R.F = static_cast<float>(dsetVORNF->AsFloat());
    R.P = static_cast<float>(dsetVORNP->AsFloat());
    R.S = static_cast<float>(dsetVORNS->AsFloat());
    return 0;
}

void TMainDataModule::dsetVORNAfterScroll(CachedDataSet* DataSet)
{
    if (DataSet->State() == DataSetState::Browse && OnResultScroll)
        OnResultScroll();
}

void TMainDataModule::SetMeasurand(int32_t Code)
{
    if (Code != MeasurandCode) {
        MeasurandCode = Code;
        // Only the texts change: a redraw is enough and keeps unsaved changes of the row.
        if (dsetVORN->Active())
            dsetVORN->RedrawControls();
    }
    dsetVORNF->SetDisplayLabel(GetMeasurandUnit());
}

void TMainDataModule::SetLoadUnit(int32_t Code)
{
    if (Code != LoadUnitCode) {
        LoadUnitCode = Code;
        if (dsetVORN->Active())
            dsetVORN->RedrawControls();
    }
    dsetVORNF->SetDisplayLabel(GetMeasurandUnit());
}

QString TMainDataModule::GetMeasurandName() const
{
    return ResultTexts::MeasurandName(MeasurandCode);
}

QString TMainDataModule::GetMeasurandUnit() const
{
    return ResultTexts::MeasurandUnit(MeasurandCode, LoadUnitCode);
}

QString TMainDataModule::GetReinfKindName(int32_t Code) const
{
    return ResultTexts::ReinfKindName(Code);
}

void TMainDataModule::dsetVORNMSR_DATEGetText(TField* Sender, QString& Text, bool)
{
    Text = Sender->IsNull() ? QString() : ResultTexts::DateText(Sender->AsDateTime());
}

void TMainDataModule::dsetVORNMSR_TIMEGetText(TField* Sender, QString& Text, bool)
{
    Text = Sender->IsNull() ? QString() : ResultTexts::TimeText(Sender->AsDateTime());
}

void TMainDataModule::dsetVORNREINF_KIND_IDGetText(TField* Sender, QString& Text, bool)
{
    Text = Sender->IsNull() ? QString() : GetReinfKindName(Sender->AsInteger());
}

void TMainDataModule::dsetVORNFGetText(TField* Sender, QString& Text, bool)
{
    const std::optional<double> f =
        Sender->IsNull() ? std::nullopt : std::optional<double>(Sender->AsFloat());
    Text =
        ResultTexts::ForceText(f, dsetVORNREINF_DIAMETER->AsInteger(), MeasurandCode, LoadUnitCode);
}

void TMainDataModule::DropUnusedKeys()
{
    m_nextKey = 0;
    m_lastReservedKey = -1;
}

int32_t TMainDataModule::NextResultKey()
{
    if (m_nextKey > m_lastReservedKey) {
        const int step = UpdateCount > 0 ? BulkKeyBlock : 1;
        pFIBTransaction->EnsureStarted();
        const int64_t top = fb::NextGeneratorValue(
            MainDatabase->Attachment(), pFIBTransaction->Handle(), "MSR_RESULT_TABLE_GEN", step);
        m_nextKey = top - step + 1;
        m_lastReservedKey = top;
    }
    if (m_nextKey > std::numeric_limits<int32_t>::max() || m_nextKey < 1)
        throw StorageError("MSR_RESULT_TABLE_GEN has run out of keys");
    return static_cast<int32_t>(m_nextKey++);
}
