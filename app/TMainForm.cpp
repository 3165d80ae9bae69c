#include "app/TMainForm.h"

#include "about/AboutCommand.h"
#include "about/TAboutForm.h"
#include "app/AppTexts.h"
#include "app/BusyFeedback.h"
#include "app/DBMemo.h"
#include "app/DBNavigator.h"
#include "app/DrawCellDelegate.h"
#include "app/ErrorDisplay.h"
#include "app/InputWatcher.h"
#include "app/ProgramFolder.h"
#include "app/RowIndicatorHeader.h"
#include "app/SettingsFile.h"
#include "common/ui/MessageBoxes.h"
#include "device/USB.h"
#include "download/ReadFromDeviceCommand.h"
#include "report/ExportReportCommand.h"
#include "report/PrintReportCommand.h"
#include "snapshot/ScreenShotCommand.h"
#include "snapshot/TDeviceScreenShotForm.h"

#include "storage/ResultTableModel.h"
#include "storage/StorageTexts.h"
#include "storage/TMainDataModule.h"
#include "storage/ui/DBMemoBinding.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScopeGuard>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

constexpr int ImageCount = 20;
constexpr int DetailsLabelColumn = 0;
constexpr int DetailsValueColumn = 1;
constexpr int DetailsHiddenColumn = 2;
const QString Delta = QStringLiteral("\u0394");
// The details grid's labels; the third is drawn as Delta, then DeltaUnit.
const QString BaseLabel = QStringLiteral("База, мм");
const QString PLabel = QStringLiteral("P, кгс");
const QString DeltaUnit = QStringLiteral(",мм");

// The fixed sentence of a refused open or create, with the storage's reason on a line below.
QString withFailureReason(const QString& sentence, const TMainDataModule& dataModule)
{
    const QString reason = dataModule.failureReason();
    return reason.isEmpty() ? sentence : sentence + u'\n' + reason;
}

// "%4.1f" and "%4.2f" with the user's decimal separator.
QString fixed(double value, int decimals)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals).rightJustified(4, u' ');
}

// A file dialog shows "text" and filters by "pattern", like a "text|pattern" filter string.
void setFilter(QFileDialog* dialog, const QString& text, const QString& pattern)
{
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    dialog->setNameFilter(text + QStringLiteral(" (") + pattern + u')');
}

// Names project files in the file dialogs, which would otherwise show the type "unknown" of a
// file the desktop does not know, in the language of the system's locale.
class ProjectFileIconProvider : public QFileIconProvider
{
public:
    QString type(const QFileInfo& info) const override
    {
        if (info.isFile() && info.suffix().compare(QLatin1String("fdb"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("Файл проекта");
        return QFileIconProvider::type(info);
    }
};

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent)
{
    // The pictures live in a static library, whose resources are not registered by themselves.
    Q_INIT_RESOURCE(icons);
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(AppTexts::Title);
    setWindowIcon(QIcon(QStringLiteral(":/icons/vorn.png")));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);

    m_updateTimer = new QTimer(this);
    m_updateTimer->setSingleShot(true);
    m_updateTimer->setInterval(0);
    connect(m_updateTimer, &QTimer::timeout, this,
            [this] { ErrorDisplay::guard([this] { ActionListUpdate(); }); });

    createImageList();
    createActions();
    createMenu();
    createToolBar();
    createPages();
    createStatusBar();
    createDialogs();
    placeWindow();

    auto* events = new InputWatcher(this);
    ApplicationEvents = events;
    connect(events, &InputWatcher::inputHandled, this, &TMainForm::scheduleActionUpdate);

    ErrorDisplay::guard([this] { FormCreate(); });
}

TMainForm::~TMainForm()
{
    // What watches the data module goes before it, and the data module before the controls
    // it notifies while it closes the project.
    delete m_commentBinding;
    delete m_descriptionBinding;
    MainDBGrid->setModel(nullptr);
    delete m_resultModel;
    ResultDBNavigator->setDataSource(nullptr);
    delete MainDataModule;
    // Before the icon provider they use.
    delete SaveDialog;
    delete OpenDialog;
}

void TMainForm::createImageList()
{
    static const struct
    {
        int index;
        const char* file;
    } pictures[] = {{0, "new"},  {1, "open"},        {2, "save"},   {3, "close"},
                    {4, "exit"}, {5, "print"},       {6, "device"}, {8, "delete"},
                    {9, "undo"}, {11, "screenshot"}, {14, "about"}, {19, "export"}};
    for (int i = 0; i < ImageCount; ++i)
        ImageList.append(QIcon());
    for (const auto& picture : pictures)
        ImageList[picture.index] =
            QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(picture.file)));
}

QAction* TMainForm::newAction(const QString& name, const QString& caption, const QString& hint,
                              int imageIndex, void (TMainForm::*execute)())
{
    auto* action = new QAction(caption, ActionList);
    action->setObjectName(name);
    const qsizetype bar = hint.indexOf(u'|');
    action->setToolTip(hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    if (imageIndex >= 0)
        action->setIcon(ImageList.value(imageIndex));
    // The action list starts suspended; start-up makes the commands live.
    action->setEnabled(false);
    addAction(action);
    if (execute) {
        connect(action, &QAction::triggered, this, [this, execute] {
            if (!m_actionListActive)
                return;
            ErrorDisplay::guard([this, execute] { (this->*execute)(); });
            scheduleActionUpdate();
        });
    }
    return action;
}

void TMainForm::createActions()
{
    ActionList = new QObject(this);
    ActionList->setObjectName(QStringLiteral("ActionList"));
    CreateNewProjectAction =
        newAction(QStringLiteral("CreateNewProjectAction"), QStringLiteral("Создать"),
                  QStringLiteral("Создать|Создать новый проект"), 0,
                  &TMainForm::CreateNewProjectActionExecute);
    OpenProjectAction = newAction(QStringLiteral("OpenProjectAction"), QStringLiteral("Открыть"),
                                  QStringLiteral("Открыть|Открыть проект"), 1,
                                  &TMainForm::OpenProjectActionExecute);
    SaveProjectAction = newAction(QStringLiteral("SaveProjectAction"), QStringLiteral("Сохранить"),
                                  QStringLiteral("Сохранить|Сохранить проект"), 2,
                                  &TMainForm::SaveProjectActionExecute);
    SaveProjectAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    SaveProjectAsAction = newAction(QStringLiteral("SaveProjectAsAction"),
                                    QStringLiteral("Сохранить как..."), QString(), -1, nullptr);
    CloseProjectAction = newAction(QStringLiteral("CloseProjectAction"), QStringLiteral("Закрыть"),
                                   QStringLiteral("Закрыть|Закрыть проект"), 3,
                                   &TMainForm::CloseProjectActionExecute);
    ExitApplicationAction = newAction(
        QStringLiteral("ExitApplicationAction"), QStringLiteral("Выход"),
        QStringLiteral("Выход|Завершение приложения"), 4, &TMainForm::ExitApplicationActionExecute);
    ExitApplicationAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    DeleteAllRecordsAction =
        newAction(QStringLiteral("DeleteAllRecordsAction"), QStringLiteral("Удалить всё"),
                  QStringLiteral("Удалить всё|Удалить всё из проекта"), 8,
                  &TMainForm::DeleteAllRecordsActionExecute);
    ReadFromDeviceAction = newAction(
        QStringLiteral("ReadFromDeviceAction"), QStringLiteral("Считать из прибора"),
        QStringLiteral("Считать|Считать из прибора"), 6, &TMainForm::ReadFromDeviceActionExecute);
    PrintReportAction = newAction(QStringLiteral("PrintReportAction"), QStringLiteral("Отчёт"),
                                  QStringLiteral("Создать отчёт|Создание и печать отчёта"), 5,
                                  &TMainForm::PrintReportActionExecute);
    ExportAction = newAction(QStringLiteral("ExportAction"), QStringLiteral("Экспорт"),
                             QStringLiteral("Экспортировать данные|Экспорт данных проекта"), 19,
                             &TMainForm::ExportActionExecute);
    CancelChangesAction =
        newAction(QStringLiteral("CancelChangesAction"), QStringLiteral("Отменить изменения"),
                  QStringLiteral("Отменить изменения|Отменить изменения в проекте"), 9,
                  &TMainForm::CancelChangesActionExecute);
    ScreenShotAction =
        newAction(QStringLiteral("ScreenShotAction"), QStringLiteral("Снимок экрана"),
                  QStringLiteral("Снимок экрана|Снимок экрана прибора"), 11,
                  &TMainForm::ScreenShotActionExecute);
}

QAction* TMainForm::newMenuItem(QMenu* menu, const QString& name, QAction* command)
{
    auto* item = new QAction(command->text(), menu);
    item->setObjectName(name);
    const auto mirror = [item, command] {
        item->setText(command->text());
        item->setIcon(command->icon());
        item->setStatusTip(command->statusTip());
        item->setEnabled(command->isEnabled());
        item->setVisible(command->isVisible());
    };
    mirror();
    connect(command, &QAction::changed, item, mirror);
    connect(item, &QAction::triggered, command, [command] { command->trigger(); });
    menu->addAction(item);
    return item;
}

void TMainForm::createMenu()
{
    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    setMenuBar(MainMenu);
    const auto separator = [](QMenu* menu, const QString& name) {
        QAction* s = menu->addSeparator();
        s->setObjectName(name);
        return s;
    };

    FileMenuItem = MainMenu->addMenu(QStringLiteral("Файл"));
    FileMenuItem->setObjectName(QStringLiteral("FileMenuItem"));
    CreateMenuItem =
        newMenuItem(FileMenuItem, QStringLiteral("CreateMenuItem"), CreateNewProjectAction);
    CreateMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    OpenMenuItem = newMenuItem(FileMenuItem, QStringLiteral("OpenMenuItem"), OpenProjectAction);
    OpenMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    N1 = separator(FileMenuItem, QStringLiteral("N1"));
    SaveMenuItem = newMenuItem(FileMenuItem, QStringLiteral("SaveMenuItem"), SaveProjectAction);
    SaveMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    SaveAsMenuItem =
        newMenuItem(FileMenuItem, QStringLiteral("SaveAsMenuItem"), SaveProjectAsAction);
    SaveProjectAsAction->setVisible(false);
    CloseMenuItem = newMenuItem(FileMenuItem, QStringLiteral("CloseMenuItem"), CloseProjectAction);
    N8 = separator(FileMenuItem, QStringLiteral("N8"));
    PrintMenuItem = newMenuItem(FileMenuItem, QStringLiteral("PrintMenuItem"), PrintReportAction);
    ExportMenuItem = newMenuItem(FileMenuItem, QStringLiteral("ExportMenuItem"), ExportAction);
    PrinterMenuItem = FileMenuItem->addAction(QStringLiteral("Принтер..."));
    PrinterMenuItem->setObjectName(QStringLiteral("PrinterMenuItem"));
    PrinterMenuItem->setVisible(false);
    N5 = separator(FileMenuItem, QStringLiteral("N5"));
    ExitMenuItem = newMenuItem(FileMenuItem, QStringLiteral("ExitMenuItem"), ExitApplicationAction);
    // Shown in the menu; the action itself answers Ctrl+E everywhere in the window.
    ExitMenuItem->setShortcut(ExitApplicationAction->shortcut());
    ExitMenuItem->setShortcutContext(Qt::WidgetShortcut);

    N4 = MainMenu->addMenu(QStringLiteral("Правка"));
    N4->setObjectName(QStringLiteral("N4"));
    N7 = newMenuItem(N4, QStringLiteral("N7"), CancelChangesAction);
    N6 = separator(N4, QStringLiteral("N6"));
    DeleteAllMenuItem =
        newMenuItem(N4, QStringLiteral("DeleteAllMenuItem"), DeleteAllRecordsAction);

    N9 = MainMenu->addMenu(QStringLiteral("Связь"));
    N9->setObjectName(QStringLiteral("N9"));
    ReadFromDeviceMenuItem =
        newMenuItem(N9, QStringLiteral("ReadFromDeviceMenuItem"), ReadFromDeviceAction);
    ScreenShotMenuItem = newMenuItem(N9, QStringLiteral("ScreenShotMenuItem"), ScreenShotAction);

    N3 = MainMenu->addMenu(QStringLiteral("Помощь"));
    N3->setObjectName(QStringLiteral("N3"));
    AboutMenuItem = N3->addAction(ImageList.value(14), QStringLiteral("О программе"));
    AboutMenuItem->setObjectName(QStringLiteral("AboutMenuItem"));
    connect(AboutMenuItem, &QAction::triggered, this,
            [this] { ErrorDisplay::guard([this] { miAboutClick(); }); });
}

void TMainForm::createToolBar()
{
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setFixedHeight(35);
    ToolBar->setIconSize(QSize(16, 16));
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, ToolBar);

    const auto button = [this](QAction* action, const QString& name) {
        ToolBar->addAction(action);
        QWidget* w = ToolBar->widgetForAction(action);
        w->setObjectName(name);
        w->setStatusTip(action->statusTip());
    };
    const auto separator = [this](const QString& name) {
        ToolBar->addSeparator()->setObjectName(name);
    };
    button(CreateNewProjectAction, QStringLiteral("CreateToolButton"));
    button(OpenProjectAction, QStringLiteral("OpenToolButton"));
    separator(QStringLiteral("ToolButton1"));
    button(SaveProjectAction, QStringLiteral("SaveToolButton"));
    button(CloseProjectAction, QStringLiteral("CloseToolButton"));
    separator(QStringLiteral("ToolButton3"));
    button(CancelChangesAction, QStringLiteral("ToolButton7"));
    button(DeleteAllRecordsAction, QStringLiteral("DeleteAllToolButton"));
    separator(QStringLiteral("ToolButton5"));
    button(ReadFromDeviceAction, QStringLiteral("ReadFromDeviceToolButton"));
    button(PrintReportAction, QStringLiteral("PrintToolButton"));
    button(ExportAction, QStringLiteral("ToolButton2"));
    separator(QStringLiteral("ToolButton4"));

    cboxMeasurand = new QComboBox(ToolBar);
    cboxMeasurand->setObjectName(QStringLiteral("cboxMeasurand"));
    cboxMeasurand->addItems({QStringLiteral("сила"), QStringLiteral("напряжение")});
    cboxMeasurand->setFixedWidth(96);
    cboxMeasurand->setStatusTip(QStringLiteral("Измеряемая величина"));
    ToolBar->addWidget(cboxMeasurand);
    cboxLoadUnit = new QComboBox(ToolBar);
    cboxLoadUnit->setObjectName(QStringLiteral("cboxLoadUnit"));
    cboxLoadUnit->addItems({QStringLiteral("кгс"), QStringLiteral("Н")});
    cboxLoadUnit->setFixedWidth(64);
    cboxLoadUnit->setStatusTip(QStringLiteral("Единицы измерения усилия"));
    ToolBar->addWidget(cboxLoadUnit);
    // activated() comes from the user only, so setting the selection at start-up runs no handler.
    connect(cboxMeasurand, &QComboBox::activated, this,
            [this] { ErrorDisplay::guard([this] { cboxMeasurandChange(); }); });
    connect(cboxLoadUnit, &QComboBox::activated, this,
            [this] { ErrorDisplay::guard([this] { cboxLoadUnitChange(); }); });
}

void TMainForm::createPages()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(0, 0, 0, 0);
    MainBevel = new QFrame(central);
    MainBevel->setObjectName(QStringLiteral("MainBevel"));
    MainBevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PageControl = new QTabWidget(central);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->hide();
    grid->addWidget(MainBevel, 0, 0);
    grid->addWidget(PageControl, 0, 0);
    setCentralWidget(central);

    DescriptionTabSheet = new QWidget;
    DescriptionTabSheet->setObjectName(QStringLiteral("DescriptionTabSheet"));
    auto* descriptionLayout = new QVBoxLayout(DescriptionTabSheet);
    descriptionLayout->setContentsMargins(0, 0, 0, 0);
    DescriptionDBMemo = new DBMemo(DescriptionTabSheet);
    DescriptionDBMemo->setObjectName(QStringLiteral("DescriptionDBMemo"));
    DescriptionDBMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    descriptionLayout->addWidget(DescriptionDBMemo);
    PageControl->addTab(DescriptionTabSheet, QStringLiteral("Описание"));
    connect(DescriptionDBMemo, &DBMemo::exit, this,
            [this] { ErrorDisplay::guard([this] { DescriptionDBMemoExit(); }); });

    DataTabSheet = new QWidget;
    DataTabSheet->setObjectName(QStringLiteral("DataTabSheet"));
    auto* dataLayout = new QVBoxLayout(DataTabSheet);
    dataLayout->setContentsMargins(0, 0, 0, 0);
    GridPanel = new QWidget(DataTabSheet);
    GridPanel->setObjectName(QStringLiteral("GridPanel"));
    dataLayout->addWidget(GridPanel);
    PageControl->addTab(DataTabSheet, QStringLiteral("Данные"));

    auto* gridPanelLayout = new QVBoxLayout(GridPanel);
    gridPanelLayout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Vertical, GridPanel);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(10);
    Splitter1->setChildrenCollapsible(false);
    gridPanelLayout->addWidget(Splitter1);

    auto* resultsArea = new QWidget(Splitter1);
    resultsArea->setObjectName(QStringLiteral("ResultsArea"));
    resultsArea->installEventFilter(this);
    MainDBGrid = new QTableView(resultsArea);
    MainDBGrid->setObjectName(QStringLiteral("MainDBGrid"));
    MainDBGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    MainDBGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    MainDBGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MainDBGrid->setShowGrid(true);
    // Tab goes to the next control, as from every other control of the window.
    MainDBGrid->setTabKeyNavigation(false);
    auto* indicator = new RowIndicatorHeader(MainDBGrid);
    MainDBGrid->setVerticalHeader(indicator);
    indicator->setDefaultSectionSize(18);
    indicator->setFixedWidth(12);
    MainDBGrid->horizontalHeader()->setHighlightSections(false);

    sgridDetails = new QTableWidget(3, 3, resultsArea);
    sgridDetails->setObjectName(QStringLiteral("sgridDetails"));
    sgridDetails->setGeometry(504, 0, 180, 62);
    sgridDetails->horizontalHeader()->hide();
    sgridDetails->verticalHeader()->hide();
    sgridDetails->verticalHeader()->setMinimumSectionSize(1);
    sgridDetails->verticalHeader()->setDefaultSectionSize(18);
    sgridDetails->horizontalHeader()->setMinimumSectionSize(0);
    sgridDetails->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgridDetails->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgridDetails->setFocusPolicy(Qt::NoFocus);
    sgridDetails->setSelectionMode(QAbstractItemView::NoSelection);
    sgridDetails->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgridDetails->setItemDelegate(new DrawCellDelegate(
        [this](QPainter* painter, int col, int row, const QRect& rect) {
            sgridDetailsDrawCell(painter, col, row, rect);
        },
        sgridDetails));
    connect(sgridDetails, &QTableWidget::currentCellChanged, this,
            [this](int row, int col, int previousRow, int previousCol) {
                if (!sgridDetailsSelectCell(col, row) && previousRow >= 0) {
                    QSignalBlocker block(sgridDetails);
                    sgridDetails->setCurrentCell(previousRow, previousCol);
                }
            });

    CommentPanel = new QWidget(Splitter1);
    createCommentPanel();
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({400, 80});
}

void TMainForm::createCommentPanel()
{
    CommentPanel->setObjectName(QStringLiteral("CommentPanel"));
    CommentPanel->setMinimumHeight(40);
    CommentPanel->installEventFilter(this);
    CommentLabel = new QLabel(QStringLiteral("Комментарий:"), CommentPanel);
    CommentLabel->setObjectName(QStringLiteral("CommentLabel"));
    CommentLabel->move(5, 17);
    ResultDBNavigator = new DBNavigator(CommentPanel);
    ResultDBNavigator->setObjectName(QStringLiteral("ResultDBNavigator"));
    ResultDBNavigator->resize(199, 25);
    connect(ResultDBNavigator, &DBNavigator::clicked, this, &TMainForm::scheduleActionUpdate);
    CommentDBMemo = new DBMemo(CommentPanel);
    CommentDBMemo->setObjectName(QStringLiteral("CommentDBMemo"));
    connect(CommentDBMemo, &DBMemo::exit, this,
            [this] { ErrorDisplay::guard([this] { CommentDBMemoExit(); }); });
}

void TMainForm::createStatusBar()
{
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(19);
    setStatusBar(StatusBar);
    const int widths[] = {350, 125, 150};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(StatusBar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFixedWidth(widths[i]);
        panel->setFrameStyle(i == 0 ? QFrame::NoFrame : QFrame::Panel | QFrame::Sunken);
        StatusBar->addWidget(panel);
        StatusPanels.append(panel);
    }
}

void TMainForm::createDialogs()
{
    SaveDialog = new QFileDialog(this);
    SaveDialog->setObjectName(QStringLiteral("SaveDialog"));
    SaveDialog->setOption(QFileDialog::DontUseNativeDialog);
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setFileMode(QFileDialog::AnyFile);
    SaveDialog->setFilter(SaveDialog->filter() | QDir::Hidden);
    m_fileIconProvider = std::make_unique<ProjectFileIconProvider>();
    SaveDialog->setIconProvider(m_fileIconProvider.get());

    OpenDialog = new QFileDialog(this);
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setFilter(OpenDialog->filter() | QDir::Hidden);
    OpenDialog->setIconProvider(m_fileIconProvider.get());
    OpenDialog->setWindowTitle(QStringLiteral("Открыть проект"));
    setFilter(OpenDialog, QStringLiteral("Файлы проектов (.fdb)"), QStringLiteral("*.fdb"));
}

void TMainForm::placeWindow()
{
    const int menuHeight = MainMenu->sizeHint().height();
    resize(704, 514 + menuHeight);
    setMinimumSize(704, 502 + menuHeight);
    if (const QScreen* screen = this->screen()) {
        QRect frame(QPoint(), QSize(720, 572));
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        auto* area = static_cast<QWidget*>(watched);
        if (watched == CommentPanel) {
            ResultDBNavigator->move(area->width() - ResultDBNavigator->width() - 5, 5);
            CommentDBMemo->setGeometry(1, 32, area->width() - 1, area->height() - 32);
        } else if (watched->objectName() == QStringLiteral("ResultsArea")) {
            MainDBGrid->setGeometry(0, 0, 500, area->height());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        ApplicationEventsHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TMainForm::ApplicationEventsHint(const QString& hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    StatusPanels.value(0)->setText(bar < 0 ? hint : hint.mid(bar + 1));
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool CanClose = true;
    if (!ErrorDisplay::guard([&] { FormCloseQuery(CanClose); }) || !CanClose) {
        event->ignore();
        return;
    }
    if (!ErrorDisplay::guard([this] { FormClose(); })) {
        event->ignore();
        return;
    }
    event->accept();
}

void TMainForm::FormCreate()
{
    MainDataModule = new TMainDataModule(this);
    MainDataModule->setObjectName(QStringLiteral("MainDataModule"));
    bindDataModule();
    LoadSettings();
    MainDataModule->OnResultScroll = [this] { ShowDetails(); };
    MainDataModule->SetMeasurand(Measurand);
    MainDataModule->SetLoadUnit(LoadUnit);
    cboxMeasurand->setCurrentIndex(Measurand == 0 ? 0 : 1);
    cboxLoadUnit->setCurrentIndex(LoadUnit == 0 ? 0 : 1);

    m_actionListActive = true;
    for (QAction* always :
         {CreateNewProjectAction, OpenProjectAction, ExitApplicationAction, ScreenShotAction})
        always->setEnabled(true);
    ActionListUpdate();

    sgridDetails->setRowCount(3);
    sgridDetails->setColumnCount(3);
    sgridDetails->setColumnWidth(DetailsLabelColumn, 85);
    sgridDetails->setColumnWidth(DetailsValueColumn, 85);
    sgridDetails->setColumnWidth(DetailsHiddenColumn, 0);
    const QString labels[] = {BaseLabel, PLabel, Delta + DeltaUnit};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            sgridDetails->setItem(
                row, col,
                new QTableWidgetItem(col == DetailsLabelColumn ? labels[row] : QString()));
    {
        QSignalBlocker block(sgridDetails);
        sgridDetails->setCurrentCell(0, DetailsHiddenColumn);
    }

    if (ProjectPath.isEmpty())
        CreateProjectDir();
    if (!ProjectName.isEmpty() && QFileInfo(ProjectName).isFile()) {
        const QString last = ProjectName;
        OpenProject(last);
        // Only a file that is gone or no project is forgotten: one that another program has
        // open, or that cannot be read just now, is still the one to open next time.
        const QString reason = MainDataModule->failureReason();
        if (!MainDataModule->IsOpen() && reason != StorageTexts::NotAProject &&
            reason != StorageTexts::Damaged && reason != StorageTexts::Missing)
            m_lastProjectKept = last;
    } else {
        SetProjectName(QString());
    }
    // Without a USB layer the device commands later say that no device is connected.
    USBInit();
}

void TMainForm::bindDataModule()
{
    m_resultModel = new ResultTableModel(MainDataModule->ResultDataSource, this);
    MainDBGrid->setModel(m_resultModel);
    const int charWidth = MainDBGrid->fontMetrics().averageCharWidth();
    for (int col = 0; col < m_resultModel->columnCount(); ++col) {
        const int chars =
            m_resultModel->headerData(col, Qt::Horizontal, ResultTableModel::WidthInCharsRole)
                .toInt();
        if (chars > 0)
            MainDBGrid->setColumnWidth(col, chars * charWidth + 4);
    }
    // The grid follows the dataset's cursor, also after the rows were read anew.
    connect(m_resultModel, &ResultTableModel::currentRowChanged, this, &TMainForm::followCursor);
    connect(m_resultModel, &QAbstractItemModel::modelReset, this, &TMainForm::followCursor);
    connect(MainDBGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && current.row() != m_resultModel->currentRow() &&
                    !ErrorDisplay::guard([&] { m_resultModel->setCurrentRow(current.row()); }))
                    // Refused (an edit that cannot be posted): once the click or key press is
                    // done with, the grid shows the record that stayed current.
                    QMetaObject::invokeMethod(this, &TMainForm::followCursor, Qt::QueuedConnection);
                scheduleActionUpdate();
            });

    m_descriptionBinding =
        new DBMemoBinding(DescriptionDBMemo, MainDataModule->DescriptionDataSource,
                          QStringLiteral("PROJECT_DESC"), this);
    m_commentBinding = new DBMemoBinding(CommentDBMemo, MainDataModule->ResultDataSource,
                                         QStringLiteral("MSR_COMMENT"), this);
    for (DBMemoBinding* binding : {m_descriptionBinding, m_commentBinding})
        connect(binding, &DBMemoBinding::textRejected, this,
                [](const QString& message) { ErrorDisplay::showError(message); });
    ResultDBNavigator->setDataSource(MainDataModule->ResultDataSource);

    for (DataSource* source :
         {MainDataModule->ResultDataSource, MainDataModule->DescriptionDataSource}) {
        connect(source, &DataSource::stateChanged, this, &TMainForm::scheduleActionUpdate);
        connect(source, &DataSource::dataSetChanged, this, &TMainForm::scheduleActionUpdate);
        connect(source, &DataSource::recordChanged, this, &TMainForm::scheduleActionUpdate);
    }
}

void TMainForm::followCursor()
{
    const int row = m_resultModel->currentRow();
    static_cast<RowIndicatorHeader*>(MainDBGrid->verticalHeader())->setCurrentRow(row);
    if (row < 0)
        return;
    QItemSelectionModel* selection = MainDBGrid->selectionModel();
    const int column = std::max(MainDBGrid->currentIndex().column(), 0);
    if (MainDBGrid->currentIndex().row() != row)
        MainDBGrid->setCurrentIndex(m_resultModel->index(row, column));
    if (!selection->isRowSelected(row) || selection->selectedRows().size() != 1)
        selection->select(m_resultModel->index(row, column),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TMainForm::FormCloseQuery(bool& CanClose)
{
    CanClose = true;
    if (MainDataModule && MainDataModule->IsOpen() && !ProjectCloseQuery())
        CanClose = false;
}

void TMainForm::FormClose()
{
    // Settings that cannot be written are reported, but must not keep the program from closing.
    ErrorDisplay::guard([this] { SaveSettings(); });
    // A download left running after its window closed must end before the link closes.
    waitForAbandonedDownloads();
    USBDone();
}

void TMainForm::LoadSettings()
{
    const VornSettings s = SettingsFile(ProgramFolder::settingsFileToRead()).load();
    SetProjectName(s.ProjectName);
    ProjectPath = s.ProjectPath;
    InkColor = s.InkColor;
    BackgroundColor = s.BackgroundColor;
    Measurand = s.Measurand;
    LoadUnit = s.LoadUnit;
}

void TMainForm::SaveSettings()
{
    VornSettings s;
    s.ProjectName = ProjectName.isEmpty() ? m_lastProjectKept : ProjectName;
    s.ProjectPath = ProjectPath;
    s.InkColor = InkColor;
    s.BackgroundColor = BackgroundColor;
    s.Measurand = Measurand;
    s.LoadUnit = LoadUnit;
    SettingsFile(ProgramFolder::settingsFile()).save(s);
}

void TMainForm::SetProjectName(const QString& name)
{
    ProjectName = name;
    m_lastProjectKept.clear();
    setWindowTitle(AppTexts::windowCaption(name));
}

void TMainForm::CreateProjectDir()
{
    const QString folder = ProgramFolder::projectsFolder();
    if (!QDir(folder).exists() && !QDir().mkpath(folder))
        throw std::runtime_error(QDir::toNativeSeparators(folder).toStdString());
    ProjectPath = QDir::toNativeSeparators(folder + u'/');
}

void TMainForm::OpenProject(const QString& fileName)
{
    bool opened = false;
    try {
        BusyFeedback busy(this, QStringLiteral("Открытие проекта"));
        opened = MainDataModule->OpenDatabase(fileName);
    } catch (const std::exception&) {
        // A file the engine cannot read is "not a project" to the user, like any other refusal.
        opened = false;
    }
    if (opened) {
        SetProjectName(fileName);
        PageControl->setCurrentIndex(MainDataModule->IsEmpty() ? 0 : 1);
        PageControl->show();
    } else {
        SetProjectName(QString());
        showErrorBox(this, withFailureReason(AppTexts::CannotOpenProject, *MainDataModule));
    }
    scheduleActionUpdate();
}

bool TMainForm::ProjectCloseQuery()
{
    if (!MainDataModule->HasChanges())
        return true;
    switch (askQuestion(this, AppTexts::saveChangesQuestion(ProjectName),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: {
        BusyFeedback busy(this, QStringLiteral("Сохранение проекта"));
        saveChangesShowingProgress(busy);
        MainDataModule->CloseDatabase();
        return true;
    }
    case QMessageBox::No: {
        BusyFeedback busy(this, QStringLiteral("Закрытие проекта"));
        MainDataModule->CancelChanges();
        MainDataModule->CloseDatabase();
        return true;
    }
    default:
        return false;
    }
}

void TMainForm::closeProjectStep()
{
    PageControl->hide();
    SetProjectName(QString());
    MainDataModule->CloseDatabase();
}

QString TMainForm::chooseFile(QFileDialog* dialog)
{
    dialog->setDirectory(ProjectPath);
    const int answer = dialog->exec();
    // The name box's completion list is a window of its own, which would stay on screen over the
    // main window after Enter chose a name, and take the next click and key presses.
    for (QCompleter* completer : dialog->findChildren<QCompleter*>())
        if (completer->popup()->isVisible())
            completer->popup()->hide();
    if (answer != QDialog::Accepted)
        return {};
    return dialog->selectedFiles().value(0);
}

void TMainForm::CreateNewProjectActionExecute()
{
    if (MainDataModule->IsOpen()) {
        MainDataModule->PostEdits();
        if (!ProjectCloseQuery())
            return;
        closeProjectStep();
    }
    SaveDialog->setDefaultSuffix(QStringLiteral("fdb"));
    setFilter(SaveDialog, QStringLiteral("Файлы проектов (*.fdb)"), QStringLiteral("*.fdb"));
    SaveDialog->setWindowTitle(QStringLiteral("Новый проект"));
    const QString fileName = chooseFile(SaveDialog);
    if (fileName.isEmpty())
        return;
    bool created = false;
    try {
        BusyFeedback busy(this, QStringLiteral("Создание проекта"));
        created = MainDataModule->createReplacing(fileName);
    } catch (const std::exception&) {
        created = false;
    }
    if (created) {
        OpenProject(fileName);
    } else {
        SetProjectName(QString());
        showErrorBox(this, withFailureReason(AppTexts::CannotCreateProject, *MainDataModule));
    }
}

void TMainForm::OpenProjectActionExecute()
{
    if (MainDataModule->IsOpen()) {
        MainDataModule->PostEdits();
        if (!ProjectCloseQuery())
            return;
        closeProjectStep();
    }
    const QString fileName = chooseFile(OpenDialog);
    if (!fileName.isEmpty())
        OpenProject(fileName);
}

void TMainForm::SaveProjectActionExecute()
{
    MainDataModule->PostEdits();
    BusyFeedback busy(this, QStringLiteral("Сохранение проекта"));
    saveChangesShowingProgress(busy);
}

void TMainForm::saveChangesShowingProgress(BusyFeedback& busy)
{
    CachedDataSet* results = MainDataModule->dsetVORN;
    results->OnApplyProgress = [&busy](size_t done, size_t total) { busy.step(done, total); };
    const auto unhook = qScopeGuard([results] { results->OnApplyProgress = nullptr; });
    MainDataModule->SaveChanges();
}

void TMainForm::CloseProjectActionExecute()
{
    MainDataModule->PostEdits();
    if (ProjectCloseQuery())
        closeProjectStep();
}

void TMainForm::CancelChangesActionExecute()
{
    BusyFeedback busy(this, QStringLiteral("Отмена изменений"));
    MainDataModule->CancelChanges();
    // The data module raises no scroll notice here; the details would show a row that is gone.
    ShowDetails();
}

void TMainForm::DeleteAllRecordsActionExecute()
{
    if (askQuestion(this, AppTexts::DeleteAllQuestion, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes)
        return;
    MainDataModule->PostEdits();
    BusyFeedback busy(this, QStringLiteral("Удаление записей"));
    MainDataModule->DeleteAllResults();
    ShowDetails();
}

void TMainForm::ExitApplicationActionExecute()
{
    close();
}

void TMainForm::cboxMeasurandChange()
{
    Measurand = cboxMeasurand->currentIndex() == 0 ? 0 : 1;
    MainDataModule->SetMeasurand(Measurand);
}

void TMainForm::cboxLoadUnitChange()
{
    LoadUnit = cboxLoadUnit->currentIndex() == 0 ? 0 : 1;
    MainDataModule->SetLoadUnit(LoadUnit);
}

void TMainForm::DescriptionDBMemoExit()
{
    MainDataModule->PostEdits();
}

void TMainForm::CommentDBMemoExit()
{
    MainDataModule->PostEdits();
}

void TMainForm::ReadFromDeviceActionExecute()
{
    ::ReadFromDeviceActionExecute(*MainDataModule, this, MainDBGrid);
}

void TMainForm::PrintReportActionExecute()
{
    printReport(MainReport, *MainDataModule, this);
}

void TMainForm::ExportActionExecute()
{
    exportReport(MainReport, *MainDataModule, this, ProjectName);
}

void TMainForm::ScreenShotActionExecute()
{
    auto ink = static_cast<std::uint32_t>(InkColor);
    auto background = static_cast<std::uint32_t>(BackgroundColor);
    runScreenShot(this, ink, background, ProgramFolder::screenshotFile(), &ErrorDisplay::showError);
    InkColor = static_cast<int32_t>(ink);
    BackgroundColor = static_cast<int32_t>(background);
}

void TMainForm::miAboutClick()
{
    showAboutWindow(this);
}

void TMainForm::scheduleActionUpdate()
{
    if (m_actionListActive && !m_updateTimer->isActive())
        m_updateTimer->start();
}

void TMainForm::ActionListUpdate()
{
    if (!m_actionListActive || !MainDataModule)
        return;
    const bool open = MainDataModule->IsOpen();
    const bool changed = MainDataModule->HasChanges();
    const bool empty = MainDataModule->IsEmpty();
    SaveProjectAction->setEnabled(open && changed);
    CloseProjectAction->setEnabled(open);
    PrintReportAction->setEnabled(open && !empty);
    ExportAction->setEnabled(open && !empty);
    CancelChangesAction->setEnabled(open && changed);
    DeleteAllRecordsAction->setEnabled(open && !empty);
    ReadFromDeviceAction->setEnabled(open);
    CommentDBMemo->setEnabled(open && !MainDataModule->IsEmpty());
}

void TMainForm::ShowDetails()
{
    TMsrResult r;
    const bool none = MainDataModule->LoadRecord(r) == -1;
    const QString values[] = {none ? QString() : QString::number(r.Base),
                              none ? QString() : fixed(r.P, 1), none ? QString() : fixed(r.S, 2)};
    for (int row = 0; row < 3; ++row)
        if (QTableWidgetItem* item = sgridDetails->item(row, DetailsValueColumn))
            item->setText(values[row]);
}

bool TMainForm::sgridDetailsSelectCell(int /*col*/, int /*row*/)
{
    return false;
}

void TMainForm::sgridDetailsDrawCell(QPainter* painter, int col, int row, const QRect& rect)
{
    if (col != DetailsLabelColumn && col != DetailsValueColumn)
        return;
    const QFontMetrics metrics(sgridDetails->font());
    const int x = rect.left() + 2;
    const int y = rect.top() + (rect.height() - metrics.height()) / 2;
    const int baseline = y + metrics.ascent();
    const QPalette& palette = sgridDetails->palette();
    const bool fixedCell = col == DetailsLabelColumn;

    painter->setClipRect(rect);
    painter->fillRect(rect, fixedCell ? palette.button() : palette.base());
    painter->setPen(fixedCell ? palette.color(QPalette::ButtonText)
                              : palette.color(QPalette::Text));
    painter->setFont(sgridDetails->font());
    if (fixedCell) {
        switch (row) {
        case 0:
            painter->drawText(x, baseline, BaseLabel);
            break;
        case 1:
            painter->drawText(x, baseline, PLabel);
            break;
        case 2: {
            painter->drawText(x, baseline, Delta);
            const int deltaWidth = metrics.horizontalAdvance(Delta);
            painter->setClipRect(rect.adjusted(x + deltaWidth - rect.left(), 0, 0, 0));
            painter->drawText(x + deltaWidth + 2, baseline, DeltaUnit);
            break;
        }
        default:
            break;
        }
    } else if (const QTableWidgetItem* item = sgridDetails->item(row, col)) {
        painter->drawText(x, baseline, item->text());
    }
}
