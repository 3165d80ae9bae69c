#pragma once

#include "common/DeviceIdentity.h"
#include "common/FileIdentity.h"
#include "common/TMsrResult.h"
#include "storage/CachedDataSet.h"
#include "storage/DataSource.h"
#include "storage/FbDatabase.h"
#include "storage/FbQuery.h"
#include "storage/FbTransaction.h"
#include "storage/Field.h"
#include "storage/ResultDataSet.h"
#include "storage/ServerProject.h"
#include "storage/StorageError.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>

// The project storage: the connection to the open project file, its two cached datasets with
// their field objects and data sources, and the texts in which stored results are shown.
// Used on the user-interface thread only. Errors of the engine reach the caller as StorageError
// (fb::FbError), except where an operation answers false instead.
// What a caller that shows no rows needs to know of the stored results.
struct ResultsOverview
{
    int64_t count = 0;
    std::optional<double> first; // the earliest and latest MSR_DATE, as OLE dates
    std::optional<double> last;
};

enum class ResultRows
{
    Load, // the results dataset is opened with every row
    Skip, // only the project's identity and description are read
};

class TMainDataModule : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* DeviceName = DEV_NAME;
    static constexpr int32_t DeviceDataVersion = DEV_DATA_VERSION;

    explicit TMainDataModule(QObject* parent = nullptr);
    ~TMainDataModule() override;

    // Project file. A name in the inet:// form is a project on a server (ServerProject.h),
    // created and opened with the account set here; a file path ignores it.
    void setServerAccount(const ServerAccount& account) { m_serverAccount = account; }
    bool CreateDatabase(const QString& FileName);
    // CreateDatabase for a name that may already hold a file, as the window's Create offers:
    // the new project is built under a hidden name and replaces the old file only once it is
    // complete. A target that another program has open, or that the engine could not serve,
    // is refused before anything is written; on false the old file is exactly as it was.
    bool createReplacing(const QString& FileName);
    bool OpenDatabase(const QString& FileName, ResultRows rows = ResultRows::Load);
    // Counts the stored results and finds their first and last date with one query of the
    // engine, without reading the rows; the project must be open.
    ResultsOverview storedResultsSummary();
    // Why the last CreateDatabase or OpenDatabase answered false, as a fixed Russian sentence
    // ("Файл открыт другой программой.", "Файл не является проектом этой программы.", ...), to
    // follow "Не удалось открыть проект!" or "Не удалось создать проект!"; empty after success.
    QString failureReason() const;
    // Commits, then closes. A failed commit raises StorageError and leaves the project open
    // with its unsaved changes.
    void CloseDatabase();
    bool ExecuteStatement(const QString& SQL);

    // Datasets.
    void DataModuleCreate(QObject* Sender);
    void DataModuleDestroy(QObject* Sender);
    bool IsOpen() const;
    bool IsEmpty() const;
    void PostEdits();
    bool HasChanges() const;
    // Writes the cached changes and commits them (retaining): all or nothing. On any failure,
    // also when the file was deleted or replaced while open, it raises StorageError (what()
    // begins with the save's failure sentence) and every change stays pending as before.
    void SaveChanges();
    void CancelChanges();
    void DeleteAllResults();
    void BeginUpdate();
    void EndUpdate();
    // Holds BeginUpdate for its lifetime: EndUpdate balances it however the scope is left.
    class UpdateScope
    {
    public:
        explicit UpdateScope(TMainDataModule& module) : m_module(module) { m_module.BeginUpdate(); }
        ~UpdateScope() { m_module.EndUpdate(); }
        UpdateScope(const UpdateScope&) = delete;
        UpdateScope& operator=(const UpdateScope&) = delete;

    private:
        TMainDataModule& m_module;
    };
    bool ControlsEnabled() const { return UpdateCount == 0; }
    void NotifyScroll();
    void SortResults();
    bool AddResult(const TMsrResult& R);
    bool ResultExists(const TMsrResult& R);
    // 0 with R filled from the current result, -1 (R untouched) when there is none.
    int32_t LoadRecord(TMsrResult& R);
    void dsetVORNAfterScroll(CachedDataSet* DataSet);

    // Presentation.
    void SetMeasurand(int32_t Code);
    void SetLoadUnit(int32_t Code);
    QString GetMeasurandName() const;
    QString GetMeasurandUnit() const;
    QString GetReinfKindName(int32_t Code) const;
    void dsetVORNMSR_DATEGetText(Field* Sender, QString& Text, bool DisplayText);
    void dsetVORNMSR_TIMEGetText(Field* Sender, QString& Text, bool DisplayText);
    void dsetVORNREINF_KIND_IDGetText(Field* Sender, QString& Text, bool DisplayText);
    void dsetVORNFGetText(Field* Sender, QString& Text, bool DisplayText);

    // Called when the current result changes while the results are browsed; the handler reads
    // what it needs through LoadRecord.
    std::function<void()> OnResultScroll;
    int32_t MeasurandCode = 0;
    int32_t LoadUnitCode = 0;
    int32_t UpdateCount = 0;

    FbDatabase* MainDatabase;
    FbTransaction* pFIBTransaction;
    FbQuery* pFIBQuery;
    ResultDataSet* dsetVORN;
    CachedDataSet* DescriptionDataSet;
    DataSource* ResultDataSource;
    DataSource* DescriptionDataSource;

    Field* dsetVORNMSR_DATE;
    Field* dsetVORNMSR_TIME;
    Field* dsetVORNMSR_NUMBER;
    Field* dsetVORNREINF_KIND_ID;
    Field* dsetVORNREINF_DIAMETER;
    Field* dsetVORNFORCE_ESTIMATE;
    Field* dsetVORNBASE;
    Field* dsetVORNF;
    Field* dsetVORNP;
    Field* dsetVORNS;
    Field* dsetVORNMSR_COMMENT;
    Field* dsetVORNMSR_RESULT_TABLE_PK;

    Field* DescriptionDataSetDEVICE_NAME;
    Field* DescriptionDataSetDEVICE_DATA_VERSION;
    Field* DescriptionDataSetPROJECT_DESC;
    Field* DescriptionDataSetDESC_TABLE_PK;

private:
    void createResultFields();
    void createDescriptionFields();
    void closeEverything() noexcept;
    void abandonConnection() noexcept;
    QString reasonOf(const StorageError& error) const;
    bool checkServerAccount();
    static void probeBeforeOpen(const QString& FileName);
    void executeRaw(const char* sql);
    void undoUncommittedWrites() noexcept;
    void checkFileStillOpen() const;
    void dropUnusedKeys();
    int32_t nextResultKey();
    // Sets the measurand or load unit code and what shows texts that depend on it.
    void changeTextCode(int32_t& current, int32_t code);

    // Keys reserved from MSR_RESULT_TABLE_GEN, handed out one by one during bulk appends.
    int64_t m_nextKey = 0;
    int64_t m_lastReservedKey = -1;
    QString m_failureReason;
    FileIdentity m_openedFile;
    ServerAccount m_serverAccount;
};
