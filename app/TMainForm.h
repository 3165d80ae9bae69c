#pragma once

#include "report/ReportTemplate.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <cstdint>
#include <memory>

class QAction;
class QComboBox;
class QFileDialog;
class QFileIconProvider;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTimer;
class QToolBar;
class BusyFeedback;
class DBMemo;
class DBMemoBinding;
class DBNavigator;
class TMainDataModule;
class ResultTableModel;

// The main window: menu, tool bar, the project's description and results pages, status line;
// the project commands, start-up and shut-down, and the settings kept between runs.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Project.
    QString GetProjectName() const { return ProjectName; }
    QString GetProjectPath() const { return ProjectPath; }
    void SetProjectName(const QString& name);
    void CreateProjectDir();
    void OpenProject(const QString& fileName);
    bool ProjectCloseQuery();

    // Settings.
    void LoadSettings();
    void SaveSettings();

    // Start-up and shut-down.
    void FormCreate();
    void FormCloseQuery(bool& CanClose);
    void FormClose();

    // Details and enabling.
    void ShowDetails();
    void ActionListUpdate();
    void ApplicationEventsHint(const QString& hint);
    void sgridDetailsDrawCell(QPainter* painter, int col, int row, const QRect& rect);
    bool sgridDetailsSelectCell(int col, int row);

    // Shared with the device, report, export, snapshot and About commands.
    TMainDataModule* MainDataModule = nullptr;
    int32_t InkColor = 0;
    int32_t BackgroundColor = 16777215;
    int32_t Measurand = 0;
    int32_t LoadUnit = 0;

    // The report template; the export command changes its band settings.
    ReportTemplate MainReport = measurementReportTemplate();

    // Components, named as their objectName.
    QMenuBar* MainMenu;
    QMenu* FileMenuItem;
    QAction* CreateMenuItem;
    QAction* OpenMenuItem;
    QAction* N1;
    QAction* SaveMenuItem;
    QAction* SaveAsMenuItem;
    QAction* CloseMenuItem;
    QAction* N8;
    QAction* PrintMenuItem;
    QAction* ExportMenuItem;
    QAction* PrinterMenuItem;
    QAction* N5;
    QAction* ExitMenuItem;
    QMenu* N4;
    QAction* N7;
    QAction* N6;
    QAction* DeleteAllMenuItem;
    QMenu* N9;
    QAction* ReadFromDeviceMenuItem;
    QAction* ScreenShotMenuItem;
    QMenu* N3;
    QAction* AboutMenuItem;

    QObject* ActionList;
    QAction* CreateNewProjectAction;
    QAction* OpenProjectAction;
    QAction* SaveProjectAction;
    QAction* SaveProjectAsAction;
    QAction* CloseProjectAction;
    QAction* ExitApplicationAction;
    QAction* DeleteAllRecordsAction;
    QAction* ReadFromDeviceAction;
    QAction* PrintReportAction;
    QAction* ExportAction;
    QAction* CancelChangesAction;
    QAction* ScreenShotAction;
    QList<QIcon> ImageList;

    QToolBar* ToolBar;
    QComboBox* cboxMeasurand;
    QComboBox* cboxLoadUnit;
    QFrame* MainBevel;
    QTabWidget* PageControl;
    QWidget* DescriptionTabSheet;
    DBMemo* DescriptionDBMemo;
    QWidget* DataTabSheet;
    QWidget* GridPanel;
    QTableView* MainDBGrid;
    QTableWidget* sgridDetails;
    QSplitter* Splitter1;
    QWidget* CommentPanel;
    QLabel* CommentLabel;
    DBNavigator* ResultDBNavigator;
    DBMemo* CommentDBMemo;
    QStatusBar* StatusBar;
    QList<QLabel*> StatusPanels;
    QFileDialog* OpenDialog;
    QFileDialog* SaveDialog;
    QObject* ApplicationEvents;

public slots:
    void CreateNewProjectActionExecute();
    void OpenProjectActionExecute();
    void SaveProjectActionExecute();
    void CloseProjectActionExecute();
    void CancelChangesActionExecute();
    void DeleteAllRecordsActionExecute();
    void ExitApplicationActionExecute();
    void cboxMeasurandChange();
    void cboxLoadUnitChange();
    void DescriptionDBMemoExit();
    void CommentDBMemoExit();
    // Filled by the device, report, export, snapshot and About commands.
    void ReadFromDeviceActionExecute();
    void PrintReportActionExecute();
    void ExportActionExecute();
    void ScreenShotActionExecute();
    void miAboutClick();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createImageList();
    void createActions();
    void createMenu();
    void createToolBar();
    void createPages();
    void createCommentPanel();
    void createStatusBar();
    void createDialogs();
    void placeWindow();
    void bindDataModule();
    void followCursor();
    void saveChangesShowingProgress(BusyFeedback& busy);
    QAction* newAction(const QString& name, const QString& caption, const QString& hint,
                       int imageIndex, void (TMainForm::*execute)());
    QAction* newMenuItem(QMenu* menu, const QString& name, QAction* command);
    void closeProjectStep();
    QString chooseFile(QFileDialog* dialog);
    void scheduleActionUpdate();

    QString ProjectName;
    QString ProjectPath;
    // The last project of the settings while it could not be opened at start (another program
    // had it open): kept in the settings until the user opens, creates or closes a project.
    QString m_lastProjectKept;
    bool m_actionListActive = false;
    QTimer* m_updateTimer;
    ResultTableModel* m_resultModel = nullptr;
    DBMemoBinding* m_descriptionBinding = nullptr;
    DBMemoBinding* m_commentBinding = nullptr;
    std::unique_ptr<QFileIconProvider> m_fileIconProvider;
};
