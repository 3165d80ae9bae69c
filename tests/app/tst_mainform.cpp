#include "about/TAboutForm.h"
#include "app/BusyFeedback.h"
#include "app/DBMemo.h"
#include "app/DBNavigator.h"
#include "app/ProgressForm.h"
#include "app/RowIndicatorHeader.h"
#include "app/VornApplication.h"
#include "common/OleDate.h"
#include "common/Windows1251.h"
#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "device/demo/DemoInstrument.h"
#include "download/TDownloadSummaryForm.h"
#include "snapshot/ColorSwatchComboBox.h"
#include "storage/ResultTableModel.h"
#include "storage/TMainDataModule.h"
#include "tests/app/MainFormFixture.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/SampleResults.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <optional>

namespace {

// The window's fixed texts, written out so that a changed constant fails here.
const QString Title = QStringLiteral("ВОРН-1.0");
const QString DeleteAllQuestion = QStringLiteral("Удалить все записи из проекта?");

QByteArray lastProjectLine(const QString& fileName)
{
    return "[General]\nLastProject=" + QFile::encodeName(fileName) + "\n";
}

// Types any text, Cyrillic included, as key presses carrying it.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void pressKey(QWidget* window, Qt::Key key)
{
    // A message box that just closed may have left no window active.
    QApplication::setActiveWindow(window);
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
    QTest::keyClick(target, key, Qt::ControlModifier);
}

// Closes every message box that appears while it lives, nested ones included, and keeps their
// texts, so that a test sees how many boxes one user action raised.
class MessageBoxes : public QObject
{
public:
    MessageBoxes()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                texts << box->text();
                box->done(QMessageBox::Ok);
            }
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

const QString Emoji = QStringLiteral("\U0001F600");

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainFormFixture> f;

    TMainForm* startWithProject(const QString& name, int results)
    {
        const QString file = f->projectFile(name);
        f->makeProject(file, results);
        f->writeSettings(lastProjectLine(file));
        return f->start();
    }

private slots:
    void init() { f = std::make_unique<MainFormFixture>(); }
    void cleanup() { f.reset(); }

    void layoutHasNamedComponents()
    {
        TMainForm* w = f->start();
        for (const char* name : {"MainMenu",
                                 "FileMenuItem",
                                 "CreateMenuItem",
                                 "SaveAsMenuItem",
                                 "PrinterMenuItem",
                                 "N4",
                                 "N7",
                                 "N9",
                                 "N3",
                                 "AboutMenuItem",
                                 "ToolBar",
                                 "CreateToolButton",
                                 "ToolButton7",
                                 "ToolButton2",
                                 "cboxMeasurand",
                                 "cboxLoadUnit",
                                 "MainBevel",
                                 "PageControl",
                                 "DescriptionTabSheet",
                                 "DescriptionDBMemo",
                                 "DataTabSheet",
                                 "GridPanel",
                                 "MainDBGrid",
                                 "sgridDetails",
                                 "Splitter1",
                                 "CommentPanel",
                                 "CommentLabel",
                                 "ResultDBNavigator",
                                 "CommentDBMemo",
                                 "StatusBar",
                                 "ActionList",
                                 "OpenDialog",
                                 "SaveDialog",
                                 "ApplicationEvents",
                                 "MainDataModule",
                                 "SaveProjectAction",
                                 "ExitApplicationAction"})
            QVERIFY2(w->findChild<QObject*>(QString::fromLatin1(name)), name);
        QCOMPARE(w->windowTitle(), Title);
        QCOMPARE(w->SaveProjectAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
        QCOMPARE(w->SaveMenuItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(w->CreateMenuItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
        QCOMPARE(w->OpenMenuItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
        QCOMPARE(w->ExitApplicationAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
        QVERIFY(w->CreateNewProjectAction->shortcut().isEmpty());
        QVERIFY(!w->SaveAsMenuItem->isVisible());
        QVERIFY(!w->PrinterMenuItem->isVisible());
        QVERIFY(!w->PageControl->isVisible());
        QVERIFY(!w->windowIcon().isNull());
        QVERIFY(!w->ImageList.value(19).isNull());
    }

    void enabling_data()
    {
        QTest::addColumn<int>("results");
        QTest::addColumn<bool>("typing");
        QTest::addColumn<QList<bool>>(
            "expected"); // save close print export cancel deleteAll read comment
        QTest::newRow("no project")
            << -1 << false << QList<bool>{false, false, false, false, false, false, false, false};
        QTest::newRow("empty project")
            << 0 << false << QList<bool>{false, true, false, false, false, false, true, false};
        QTest::newRow("project with results")
            << 3 << false << QList<bool>{false, true, true, true, false, true, true, true};
        QTest::newRow("unposted description")
            << 3 << true << QList<bool>{true, true, true, true, true, true, true, true};
        QTest::newRow("unposted description, empty project")
            << 0 << true << QList<bool>{true, true, false, false, true, false, true, false};
    }
    void enabling()
    {
        QFETCH(int, results);
        QFETCH(bool, typing);
        QFETCH(QList<bool>, expected);
        TMainForm* w =
            results < 0 ? f->start() : startWithProject(QStringLiteral("p.fdb"), results);
        if (typing) {
            w->PageControl->setCurrentIndex(0);
            w->DescriptionDBMemo->setFocus();
            QTest::keyClicks(w->DescriptionDBMemo, QStringLiteral("ab"));
        }
        const QList<QObject*> items{w->SaveProjectAction,    w->CloseProjectAction,
                                    w->PrintReportAction,    w->ExportAction,
                                    w->CancelChangesAction,  w->DeleteAllRecordsAction,
                                    w->ReadFromDeviceAction, w->CommentDBMemo};
        for (int i = 0; i < items.size(); ++i)
            QTRY_COMPARE_WITH_TIMEOUT(items[i]->property("enabled").toBool(), expected[i], 2000);
        for (QObject* always :
             QList<QObject*>{w->CreateNewProjectAction, w->OpenProjectAction,
                             w->ExitApplicationAction, w->ScreenShotAction, w->cboxMeasurand,
                             w->cboxLoadUnit, w->DescriptionDBMemo, w->AboutMenuItem})
            QVERIFY2(always->property("enabled").toBool(), qPrintable(always->objectName()));
        // Menu items follow their commands.
        QCOMPARE(w->SaveMenuItem->isEnabled(), expected[0]);
        QCOMPARE(w->DeleteAllMenuItem->isEnabled(), expected[5]);
    }

    void saveShortcutsSaveOnlyChanges_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Ctrl+R on the action") << int(Qt::Key_R);
        QTest::newRow("Ctrl+S on the menu item") << int(Qt::Key_S);
    }
    void saveShortcutsSaveOnlyChanges()
    {
        QFETCH(int, key);
        const QString file = f->projectFile(QStringLiteral("s.fdb"));
        TMainForm* w = startWithProject(QStringLiteral("s.fdb"), 1);
        int saves = 0;
        connect(w->SaveProjectAction, &QAction::triggered, this, [&] { ++saves; });
        pressKey(w, Qt::Key(key));
        QCOMPARE(saves, 0);

        f->addResults(2, 10);
        QTRY_VERIFY(w->SaveProjectAction->isEnabled());
        pressKey(w, Qt::Key(key));
        QCOMPARE(saves, 1);
        QVERIFY(!w->MainDataModule->HasChanges());
        QTRY_VERIFY(!w->SaveProjectAction->isEnabled());
        QVERIFY(w->MainDataModule->IsOpen());
        f->stop();
        QCOMPARE(StorageTest::resultCount(file), 3);
    }

    void exitShortcutAsksTheCloseQuestion()
    {
        TMainForm* w = startWithProject(QStringLiteral("e.fdb"), 1);
        f->addResults(1, 20);
        // From inside an editor too, whose own key bindings would take Ctrl+E for "end of line".
        w->PageControl->setCurrentIndex(0);
        w->DescriptionDBMemo->setFocus();
        const QByteArray settingsBefore = f->readSettings();
        {
            ModalAnswer cancel(ModalAnswer::pressButton(QMessageBox::Cancel));
            pressKey(w, Qt::Key_E);
            QVERIFY(cancel.appeared());
            QCOMPARE(cancel.text(), QStringLiteral("Сохранить изменеия в проекте\re.fdb ?"));
        }
        QVERIFY(w->isVisible());
        QVERIFY(w->MainDataModule->HasChanges());
        QCOMPARE(f->readSettings(), settingsBefore);
        {
            ModalAnswer no(ModalAnswer::pressButton(QMessageBox::No));
            pressKey(w, Qt::Key_E);
            QVERIFY(no.appeared());
        }
        QVERIFY(!w->isVisible());
        QVERIFY(f->readSettings().contains("LastProject=" +
                                           QFile::encodeName(f->projectFile("e.fdb"))));
    }

    void closeQuestion_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<int>("resultsStored");
        QTest::newRow("Yes saves") << int(QMessageBox::Yes) << true << 3;
        QTest::newRow("No drops") << int(QMessageBox::No) << true << 1;
        QTest::newRow("Cancel keeps") << int(QMessageBox::Cancel) << false << -1;
    }
    void closeQuestion()
    {
        QFETCH(int, button);
        QFETCH(bool, closed);
        QFETCH(int, resultsStored);
        const QString file = f->projectFile(QStringLiteral("bridge.fdb"));
        TMainForm* w = startWithProject(QStringLiteral("bridge.fdb"), 1);
        f->addResults(2, 30);
        ModalAnswer answer(ModalAnswer::pressButton(button));
        w->CloseProjectAction->trigger();
        QVERIFY(answer.appeared());
        QCOMPARE(answer.title(), Title);
        QCOMPARE(answer.text(), QStringLiteral("Сохранить изменеия в проекте\rbridge.fdb ?"));
        QCOMPARE(w->MainDataModule->IsOpen(), !closed);
        QCOMPARE(w->PageControl->isVisible(), !closed);
        QCOMPARE(w->windowTitle(), closed ? Title : QStringLiteral("ВОРН-1.0 - [bridge.fdb]"));
        if (closed)
            QCOMPARE(StorageTest::resultCount(file), resultsStored);
        else
            QVERIFY(w->MainDataModule->HasChanges());
    }

    void closeWithoutChangesAsksNothing()
    {
        TMainForm* w = startWithProject(QStringLiteral("quiet.fdb"), 2);
        ModalAnswer none(ModalAnswer::pressButton(QMessageBox::Yes), 300);
        w->CloseProjectAction->trigger();
        QVERIFY(!none.appeared());
        QVERIFY(!w->MainDataModule->IsOpen());
        QCOMPARE(w->windowTitle(), Title);
    }

    void typedDescriptionIsPostedByClose()
    {
        const QString file = f->projectFile(QStringLiteral("d.fdb"));
        TMainForm* w = startWithProject(QStringLiteral("d.fdb"), 0);
        w->PageControl->setCurrentIndex(0);
        w->DescriptionDBMemo->setFocus();
        typeText(w->DescriptionDBMemo, QStringLiteral("Мост"));
        ModalAnswer yes(ModalAnswer::pressButton(QMessageBox::Yes));
        w->CloseProjectAction->trigger();
        QVERIFY(yes.appeared());
        TMainDataModule module;
        QVERIFY(module.OpenDatabase(file));
        QCOMPARE(module.DescriptionDataSetPROJECT_DESC->asString(), QStringLiteral("Мост"));
        module.CloseDatabase();
    }

    void createOverAnExistingFile_data()
    {
        QTest::addColumn<bool>("heldElsewhere");
        QTest::newRow("the project open in the window") << false;
        QTest::newRow("a project another program has open") << true;
    }

    void createOverAnExistingFile()
    {
        QFETCH(bool, heldElsewhere);
        const QString file = f->projectFile(QStringLiteral("old.fdb"));
        TMainForm* w = heldElsewhere ? f->start() : startWithProject(QStringLiteral("old.fdb"), 2);
        std::optional<StorageTest::ProjectHolder> holder;
        if (heldElsewhere) {
            f->makeProject(file, 2);
            holder.emplace(file);
            QVERIFY2(holder->attached(), holder->said().constData());
        }
        std::unique_ptr<ModalAnswer> replace;
        std::unique_ptr<ModalAnswer> refusal;
        ModalAnswer dialog([&](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("Новый проект"));
            replace = std::make_unique<ModalAnswer>([&](QWidget* box) {
                if (heldElsewhere)
                    refusal = std::make_unique<ModalAnswer>(
                        ModalAnswer::pressButton(QMessageBox::Ok));
                ModalAnswer::pressButton(QMessageBox::Yes)(box);
            });
            chooseInFileDialog(modal, file);
        });
        w->CreateNewProjectAction->trigger();
        QVERIFY(dialog.appeared());
        QVERIFY(replace && replace->appeared());
        if (heldElsewhere) {
            QVERIFY(refusal && refusal->appeared());
            QCOMPARE(refusal->text(), QStringLiteral("Не удалось создать проект!\n"
                                                     "Файл открыт другой программой."));
            QVERIFY(!w->MainDataModule->IsOpen());
            holder.reset();
            QCOMPARE(StorageTest::resultCount(file), 2);
            return;
        }
        QVERIFY(w->MainDataModule->IsOpen());
        QVERIFY(w->MainDataModule->IsEmpty());
        QCOMPARE(w->GetProjectName(), file);
        QCOMPARE(w->windowTitle(), QStringLiteral("ВОРН-1.0 - [old.fdb]"));
        QCOMPARE(w->PageControl->currentIndex(), 0);
        QVERIFY(w->PageControl->isVisible());
        f->stop();
        QCOMPARE(StorageTest::resultCount(file), 0);
    }

    void createAddsTheExtension()
    {
        TMainForm* w = f->start();
        const QString typed = f->projectFile(QStringLiteral("fresh"));
        ModalAnswer dialog([&](QWidget* modal) { chooseInFileDialog(modal, typed); });
        w->CreateNewProjectAction->trigger();
        QVERIFY(dialog.appeared());
        QCOMPARE(w->GetProjectName(), typed + QStringLiteral(".fdb"));
        QVERIFY(QFile::exists(typed + QStringLiteral(".fdb")));
    }

    void fileDialogCancelled_data()
    {
        QTest::addColumn<bool>("create");
        QTest::newRow("Create") << true;
        QTest::newRow("Open") << false;
    }
    void fileDialogCancelled()
    {
        QFETCH(bool, create);
        TMainForm* w = startWithProject(QStringLiteral("c.fdb"), 1);
        QVERIFY(w->MainDataModule->IsOpen());
        ModalAnswer dialog([](QWidget* modal) { chooseInFileDialog(modal, QString()); });
        (create ? w->CreateNewProjectAction : w->OpenProjectAction)->trigger();
        QVERIFY(dialog.appeared());
        QVERIFY(!w->MainDataModule->IsOpen());
        QVERIFY(!w->PageControl->isVisible());
        QCOMPARE(w->windowTitle(), Title);
        QVERIFY(w->GetProjectName().isEmpty());
    }

    void closeQuestionCancelledKeepsProjectAndShowsNoDialog()
    {
        TMainForm* w = startWithProject(QStringLiteral("k.fdb"), 1);
        f->addResults(1, 40);
        ModalAnswer cancel(ModalAnswer::pressButton(QMessageBox::Cancel));
        w->OpenProjectAction->trigger();
        QVERIFY(cancel.appeared());
        QVERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) == nullptr);
        QVERIFY(w->MainDataModule->IsOpen());
        QVERIFY(w->MainDataModule->HasChanges());
    }

    void openChoosesTheTab_data()
    {
        QTest::addColumn<int>("results");
        QTest::addColumn<int>("tab");
        QTest::newRow("no results: description") << 0 << 0;
        QTest::newRow("results: data") << 2 << 1;
    }
    void openChoosesTheTab()
    {
        QFETCH(int, results);
        QFETCH(int, tab);
        const QString file = f->projectFile(QStringLiteral("t.fdb"));
        f->makeProject(file, results);
        TMainForm* w = f->start();
        QCOMPARE(w->OpenDialog->windowTitle(), QStringLiteral("Открыть проект"));
        ModalAnswer dialog([&](QWidget* modal) {
            QCOMPARE(QDir(static_cast<QFileDialog*>(modal)->directory()).absolutePath(),
                     QDir(f->folder() + QStringLiteral("/projects")).absolutePath());
            chooseInFileDialog(modal, file);
        });
        w->OpenProjectAction->trigger();
        QVERIFY(dialog.appeared());
        QVERIFY(w->PageControl->isVisible());
        QCOMPARE(w->PageControl->currentIndex(), tab);
        QCOMPARE(w->windowTitle(), QStringLiteral("ВОРН-1.0 - [t.fdb]"));
        QCOMPARE(w->MainDBGrid->model()->rowCount(), results);
    }

    void openOfAFileThatIsNotAProject()
    {
        const QString junk = f->projectFile(QStringLiteral("junk.fdb"));
        QFile out(junk);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("this is not a database");
        out.close();
        TMainForm* w = startWithProject(QStringLiteral("good.fdb"), 1);
        std::unique_ptr<ModalAnswer> message;
        ModalAnswer dialog([&](QWidget* modal) {
            message = std::make_unique<ModalAnswer>(ModalAnswer::pressButton(QMessageBox::Ok));
            chooseInFileDialog(modal, junk);
        });
        w->OpenProjectAction->trigger();
        QVERIFY(dialog.appeared());
        QVERIFY(message && message->appeared());
        QCOMPARE(message->text(),
                 QStringLiteral("Не удалось открыть проект!\n"
                                "Файл повреждён или не является проектом этой программы."));
        QCOMPARE(message->title(), Title);
        QVERIFY(!w->MainDataModule->IsOpen());
        QCOMPARE(w->windowTitle(), Title);
        QVERIFY(!w->PageControl->isVisible());
    }

    void deleteAllThenCancelChanges()
    {
        TMainForm* w = startWithProject(QStringLiteral("del.fdb"), 3);
        QAbstractItemModel* rows = w->MainDBGrid->model();
        QCOMPARE(rows->rowCount(), 3);
        {
            ModalAnswer no(ModalAnswer::pressButton(QMessageBox::No));
            w->DeleteAllRecordsAction->trigger();
            QVERIFY(no.appeared());
            QCOMPARE(no.text(), DeleteAllQuestion);
        }
        QCOMPARE(rows->rowCount(), 3);
        QVERIFY(!w->MainDataModule->HasChanges());
        {
            ModalAnswer yes(ModalAnswer::pressButton(QMessageBox::Yes));
            w->DeleteAllRecordsAction->trigger();
            QVERIFY(yes.appeared());
        }
        QTRY_COMPARE(rows->rowCount(), 0);
        QVERIFY(w->MainDataModule->HasChanges());
        QCOMPARE(w->sgridDetails->item(0, 1)->text(), QString());
        QTRY_VERIFY(w->CancelChangesAction->isEnabled());
        w->CancelChangesAction->trigger();
        QTRY_COMPARE(rows->rowCount(), 3);
        QVERIFY(!w->MainDataModule->HasChanges());
        QCOMPARE(w->sgridDetails->item(0, 1)->text(), QStringLiteral("150"));
    }

    void navigatorMovesAndDeletesWithoutAsking()
    {
        TMainForm* w = startWithProject(QStringLiteral("nav.fdb"), 3);
        DBNavigator* nav = w->ResultDBNavigator;
        QAbstractItemModel* rows = w->MainDBGrid->model();
        w->PageControl->setCurrentIndex(1);
        nav->nbFirst->click();
        QVERIFY(!nav->nbFirst->isEnabled());
        QVERIFY(!nav->nbPrior->isEnabled());
        QVERIFY(nav->nbNext->isEnabled());
        nav->nbLast->click();
        QVERIFY(!nav->nbNext->isEnabled());
        QVERIFY(!nav->nbLast->isEnabled());
        QVERIFY(nav->nbPrior->isEnabled());
        QCOMPARE(w->MainDBGrid->currentIndex().row(), 2);

        ModalAnswer none(ModalAnswer::pressButton(QMessageBox::Yes), 300);
        nav->nbDelete->click();
        QTest::qWait(350);
        QVERIFY(!none.appeared());
        QCOMPARE(rows->rowCount(), 2);
        QVERIFY(w->MainDataModule->HasChanges());
        QTRY_VERIFY(w->SaveProjectAction->isEnabled());
    }

    void detailsShowTheCurrentResult()
    {
        TMainForm* w = startWithProject(QStringLiteral("det.fdb"), 1);
        QCOMPARE(w->sgridDetails->item(0, 1)->text(), QStringLiteral("150"));
        QCOMPARE(w->sgridDetails->item(1, 1)->text(), QStringLiteral(" 7.0"));
        QCOMPARE(w->sgridDetails->item(2, 1)->text(), QStringLiteral("0.12"));
        QCOMPARE(w->sgridDetails->columnWidth(2), 0);
        QCOMPARE(w->sgridDetails->focusPolicy(), Qt::NoFocus);
        QTest::mouseClick(
            w->sgridDetails->viewport(), Qt::LeftButton, {},
            w->sgridDetails->visualRect(w->sgridDetails->model()->index(1, 1)).center());
        QCOMPARE(w->sgridDetails->currentColumn(), 2);
        QVERIFY(w->sgridDetails->selectedItems().isEmpty());
    }

    void statusLineAndToolTips_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("tool button") << "CreateToolButton"
                                     << "Создать новый проект"
                                     << "Создать";
        QTest::newRow("report button") << "PrintToolButton"
                                       << "Создание и печать отчёта"
                                       << "Создать отчёт";
        QTest::newRow("measurand") << "cboxMeasurand"
                                   << "Измеряемая величина"
                                   << "";
        QTest::newRow("load unit") << "cboxLoadUnit"
                                   << "Единицы измерения усилия"
                                   << "";
        QTest::newRow("navigator") << "nbFirst"
                                   << "Первая запись"
                                   << "";
    }
    void statusLineAndToolTips()
    {
        QFETCH(QString, widget);
        QFETCH(QString, status);
        QFETCH(QString, toolTip);
        TMainForm* w = startWithProject(QStringLiteral("st.fdb"), 1);
        auto* target = w->findChild<QWidget*>(widget);
        QVERIFY(target);
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(target, &enter);
        QCOMPARE(w->StatusPanels.value(0)->text(), status);
        QCOMPARE(target->toolTip(), toolTip);
        QVERIFY(w->StatusPanels.value(1)->text().isEmpty());
    }

    void measurandSelectorKeepsCodeOutOfRange()
    {
        f->writeSettings("[Processing]\nMeasurand=7\nLoadUnit=1\n");
        TMainForm* w = f->start();
        QCOMPARE(w->MainDataModule->MeasurandCode, 7);
        QCOMPARE(w->MainDataModule->LoadUnitCode, 1);
        QCOMPARE(w->cboxMeasurand->currentIndex(), 1);
        QCOMPARE(w->cboxLoadUnit->currentIndex(), 1);
        w->close();
        QVERIFY(f->readSettings().contains("Measurand=7\n"));
    }

    void measurandSelectorChangesTheForceColumn()
    {
        TMainForm* w = startWithProject(QStringLiteral("m.fdb"), 1);
        QAbstractItemModel* rows = w->MainDBGrid->model();
        const int fColumn = [&] {
            for (int c = 0; c < rows->columnCount(); ++c)
                if (rows->headerData(c, Qt::Horizontal).toString() == QStringLiteral("кгс"))
                    return c;
            return -1;
        }();
        QVERIFY(fColumn >= 0);
        QCOMPARE(rows->index(0, fColumn).data().toString(), QStringLiteral("1001"));
        w->cboxLoadUnit->setCurrentIndex(1);
        emit w->cboxLoadUnit->activated(1);
        QCOMPARE(w->LoadUnit, 1);
        QCOMPARE(rows->headerData(fColumn, Qt::Horizontal).toString(), QStringLiteral("Н"));
        QCOMPARE(rows->index(0, fColumn).data().toString(), QStringLiteral("9816"));
        QCOMPARE(w->sgridDetails->item(1, 1)->text(), QStringLiteral(" 7.0"));
    }

    void screenShotTakesTheColoursBackAndWritesThePicture()
    {
        TMainForm* w = f->start();
        w->InkColor = 0x800000; // navy
        ModalAnswer answer([](QWidget* window) {
            auto* pen = window->findChild<ColorSwatchComboBox*>(QStringLiteral("PenColorComboBox"));
            if (pen)
                pen->setCurrentIndex(9); // red
            qobject_cast<QDialog*>(window)->reject();
        });
        w->ScreenShotAction->trigger();
        QVERIFY(answer.appeared());
        QCOMPARE(w->InkColor, 0x0000FF);
        QCOMPARE(w->BackgroundColor, 0xFFFFFF);
        QImage picture(f->folder() + QStringLiteral("/sceenshot.bmp"));
        QCOMPARE(picture.size(), QSize(102, 68));
        QCOMPARE(picture.pixelColor(0, 0), QColor(255, 0, 0));
    }

    void aboutMenuItemShowsTheAboutWindow()
    {
        TMainForm* w = f->start();
        QString caption;
        ModalAnswer answer([&caption](QWidget* window) {
            if (qobject_cast<TAboutForm*>(window))
                caption = window->windowTitle();
            qobject_cast<QDialog*>(window)->reject();
        });
        w->AboutMenuItem->trigger();
        QVERIFY(answer.appeared());
        QCOMPARE(caption, QStringLiteral("О программе"));
    }

    void noSettingsFileGivesDefaultsAndWritesAllKeys()
    {
        TMainForm* w = f->start();
        QCOMPARE(w->GetProjectPath(), QDir::toNativeSeparators(f->folder() + "/projects/"));
        QVERIFY(QFileInfo(f->folder() + "/projects").isDir());
        QCOMPARE(w->InkColor, 0);
        QCOMPARE(w->BackgroundColor, 16777215);
        w->close();
        const QByteArray written = f->readSettings();
        for (const char* key : {"LastProject=\n", "ProjectPath=", "InkColor=0\n",
                                "BackgroundColor=16777215\n", "Measurand=0\n", "LoadUnit=0\n"})
            QVERIFY2(written.contains(key), key);
    }

    void unwritableSettingsAreReportedOnceAndTheWindowCloses()
    {
        TMainForm* w = f->start();
        QVERIFY(QDir().mkdir(f->settingsFile())); // a folder where the file should go
        {
            ModalAnswer error(ModalAnswer::pressButton(QMessageBox::Ok));
            w->close();
            QVERIFY(error.appeared());
            QVERIFY2(
                error.text().startsWith(QStringLiteral("Не удалось сохранить настройки в файл ") +
                                        f->settingsFile()),
                qPrintable(error.text()));
            QCOMPARE(error.title(), Title);
        }
        QVERIFY(!w->isVisible());
        QVERIFY(QFileInfo(f->settingsFile()).isDir());
        QVERIFY(QDir().rmdir(f->settingsFile()));
    }

    void missingLastProjectIsForgottenSilently()
    {
        f->writeSettings(lastProjectLine(f->folder() + "/gone.fdb"));
        ModalAnswer none(ModalAnswer::pressButton(QMessageBox::Ok), 300);
        TMainForm* w = f->start();
        QTest::qWait(350);
        QVERIFY(!none.appeared());
        QVERIFY(w->GetProjectName().isEmpty());
        QCOMPARE(w->windowTitle(), Title);
        w->close();
        QVERIFY(f->readSettings().contains("LastProject=\n"));
    }

    void lastProjectThatIsNotAProject()
    {
        const QString junk = f->projectFile(QStringLiteral("junk.fdb"));
        QFile out(junk);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("junk");
        out.close();
        f->writeSettings(lastProjectLine(junk));
        ModalAnswer message(ModalAnswer::pressButton(QMessageBox::Ok));
        TMainForm* w = f->start();
        QVERIFY(message.appeared());
        QCOMPARE(message.text(),
                 QStringLiteral("Не удалось открыть проект!\n"
                                "Файл повреждён или не является проектом этой программы."));
        QVERIFY(!w->MainDataModule->IsOpen());
        QVERIFY(w->GetProjectName().isEmpty());
        w->close();
        QVERIFY(f->readSettings().contains("LastProject=\n"));
    }

    // In use by another program at start, the last project is still the one to open next time.
    void lastProjectInUseIsKept()
    {
        const QString file = f->projectFile(QStringLiteral("held.fdb"));
        f->makeProject(file, 2);
        const StorageTest::ProjectHolder holder(file);
        QVERIFY2(holder.attached(), holder.said().constData());
        f->writeSettings(lastProjectLine(file));
        ModalAnswer message(ModalAnswer::pressButton(QMessageBox::Ok));
        TMainForm* w = f->start();
        QVERIFY(message.appeared());
        QCOMPARE(message.text(),
                 QStringLiteral("Не удалось открыть проект!\nФайл открыт другой программой."));
        QVERIFY(w->GetProjectName().isEmpty());
        w->close();
        QVERIFY(f->readSettings().contains("LastProject=" + QFile::encodeName(file) + '\n'));
    }

    void projectsFolderThatCannotBeMade()
    {
        QFile blocker(f->folder() + "/projects");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ModalAnswer error(ModalAnswer::pressButton(QMessageBox::Ok));
        TMainForm* w = f->start();
        QVERIFY(error.appeared());
        QCOMPARE(error.text(), QDir::toNativeSeparators(f->folder() + "/projects") + u'.');
        QVERIFY(w->GetProjectPath().isEmpty());
        QVERIFY(w->isVisible());
        QVERIFY(w->CreateNewProjectAction->isEnabled());
    }

    void refusalIsOneMessageForEveryWayIn_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("text");
        QTest::newRow("typed emoji") << "key" << Emoji;
        QTest::newRow("typed zero-width space") << "key" << QStringLiteral("\u200B");
        QTest::newRow("typed omega") << "key" << QStringLiteral("Ω");
        QTest::newRow("pasted") << "paste" << QStringLiteral("x") + Emoji;
        QTest::newRow("input method") << "input method" << Emoji;
    }
    void refusalIsOneMessageForEveryWayIn()
    {
        QFETCH(QString, way);
        QFETCH(QString, text);
        TMainForm* w = startWithProject(QStringLiteral("r.fdb"), 0);
        w->PageControl->setCurrentIndex(0);
        DBMemo* memo = w->DescriptionDBMemo;
        memo->setFocus();
        QTest::keyClicks(memo, QStringLiteral("ab"));
        MessageBoxes boxes;
        if (way == QLatin1String("key")) {
            QTest::sendKeyEvent(QTest::Click, memo, Qt::Key_unknown, text, Qt::NoModifier);
        } else if (way == QLatin1String("paste")) {
            QApplication::clipboard()->setText(text);
            memo->paste();
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(text);
            QApplication::sendEvent(memo, &commit);
        }
        QTRY_COMPARE(boxes.texts.size(), 1);
        QCOMPARE(boxes.texts.value(0), Windows1251::refusalMessage(text));
        QCOMPARE(memo->toPlainText(), QStringLiteral("ab"));
        QTest::qWait(50);
        QCOMPARE(boxes.texts.size(), 1);
    }

    // Text the project cannot hold, put into the editor by the program, is refused when posted,
    // with the same message as typing it, once, however the post comes about.
    void refusedPostShowsOneBox_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("Ctrl+S in the editor") << "save";
        QTest::newRow("Close command") << "close";
        QTest::newRow("Tab out of the editor") << "tab";
    }
    void refusedPostShowsOneBox()
    {
        QFETCH(QString, action);
        TMainForm* w = startWithProject(QStringLiteral("one.fdb"), 2);
        w->PageControl->setCurrentIndex(0);
        DBMemo* memo = w->DescriptionDBMemo;
        memo->setFocus();
        memo->insertPlainText(QStringLiteral("a") + Emoji);
        QTRY_VERIFY(w->SaveProjectAction->isEnabled());
        MessageBoxes boxes;
        if (action == QLatin1String("save"))
            pressKey(w, Qt::Key_S);
        else if (action == QLatin1String("close"))
            w->CloseProjectAction->trigger();
        else
            QTest::keyClick(memo, Qt::Key_Tab);
        QTRY_VERIFY(!boxes.texts.isEmpty());
        QTest::qWait(50);
        QCOMPARE(boxes.texts, QStringList{Windows1251::refusalMessage(Emoji)});
        QVERIFY(w->MainDataModule->IsOpen());
        QVERIFY(w->MainDataModule->HasChanges());
        QCOMPARE(memo->toPlainText(), QStringLiteral("a") + Emoji);
    }

    void refusedMoveKeepsTheGridOnTheCurrentRecord_data()
    {
        QTest::addColumn<int>("clickedRow");
        QTest::newRow("second row") << 1;
        QTest::newRow("last row") << 2;
    }
    void refusedMoveKeepsTheGridOnTheCurrentRecord()
    {
        QFETCH(int, clickedRow);
        TMainForm* w = startWithProject(QStringLiteral("mv.fdb"), 3);
        w->PageControl->setCurrentIndex(1);
        QTableView* grid = w->MainDBGrid;
        QCOMPARE(w->MainDataModule->dsetVORN->recNo(), 0);
        w->CommentDBMemo->setFocus();
        w->CommentDBMemo->insertPlainText(Emoji);
        MessageBoxes boxes;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(clickedRow, 1)).center());
        QTRY_VERIFY(!boxes.texts.isEmpty());
        QTest::qWait(50);
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(w->MainDataModule->dsetVORN->recNo(), 0);
        QCOMPARE(grid->currentIndex().row(), 0);
        const QModelIndexList selected = grid->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.value(0).row(), 0);
        QCOMPARE(static_cast<RowIndicatorHeader*>(grid->verticalHeader())->currentRow(), 0);
        QCOMPARE(w->CommentDBMemo->toPlainText(), Emoji);
    }

    void fileDialogLeavesNoCompletionPopup_data()
    {
        QTest::addColumn<bool>("create");
        QTest::newRow("Create") << true;
        QTest::newRow("Open") << false;
    }
    void fileDialogLeavesNoCompletionPopup()
    {
        QFETCH(bool, create);
        for (const char* name : {"alpha.fdb", "alpine.fdb"})
            f->makeProject(f->projectFile(QString::fromLatin1(name)), 0);
        TMainForm* w = f->start();
        bool popupWasShown = false;
        std::unique_ptr<ModalAnswer> replace;
        ModalAnswer dialog([&](QWidget* modal) {
            auto* edit = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            edit->setFocus();
            QTest::keyClicks(edit, QStringLiteral("alp"));
            QCompleter* completer = edit->completer();
            QVERIFY(completer);
            QTRY_VERIFY_WITH_TIMEOUT(completer->popup()->isVisible(), 5000);
            popupWasShown = true;
            QTest::keyClicks(edit, QStringLiteral("ha.fdb"));
            completer->complete(); // what typing does while the folder is still being read
            if (create)
                replace = std::make_unique<ModalAnswer>(ModalAnswer::pressButton(QMessageBox::Yes));
            static_cast<QDialog*>(modal)->accept();
        });
        (create ? w->CreateNewProjectAction : w->OpenProjectAction)->trigger();
        QVERIFY(dialog.appeared());
        QVERIFY(popupWasShown);
        QCOMPARE(w->GetProjectName(), f->projectFile(QStringLiteral("alpha.fdb")));
        for (QWidget* top : QApplication::topLevelWidgets())
            QVERIFY2(!(top->isVisible() && top->windowType() == Qt::Popup),
                     qPrintable(top->metaObject()->className()));
    }

    // Built after Qt's translations were loaded: the dialogs' own texts are Russian too.
    void fileDialogsAreRussian_data()
    {
        QTest::addColumn<bool>("create");
        QTest::newRow("Create") << true;
        QTest::newRow("Open") << false;
    }
    void fileDialogsAreRussian()
    {
        QFETCH(bool, create);
        const QString file = f->projectFile(QStringLiteral("ru.fdb"));
        f->makeProject(file, 0);
        TMainForm* w = f->start();
        QFileDialog* dialog = create ? w->SaveDialog : w->OpenDialog;
        auto* sidebar = dialog->findChild<QListView*>(QStringLiteral("sidebar"));
        QVERIFY(sidebar);
        QCOMPARE(sidebar->model()->index(0, 0).data().toString(), QStringLiteral("Компьютер"));
        auto* files = dialog->findChild<QFileSystemModel*>();
        QVERIFY(files);
        files->setRootPath(QFileInfo(file).absolutePath());
        QTRY_COMPARE(files->index(file, 2).data().toString(), QStringLiteral("Файл проекта"));
        QCOMPARE(files->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Имя"));
    }

    void keyboard_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("leaves");
        QTest::addColumn<QString>("text");
        QTest::newRow("Tab leaves the description")
            << "DescriptionDBMemo" << int(Qt::Key_Tab) << int(Qt::NoModifier) << true << "ab";
        QTest::newRow("Shift+Tab leaves the description")
            << "DescriptionDBMemo" << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << true
            << "ab";
        QTest::newRow("Ctrl+Tab types a tab") << "DescriptionDBMemo" << int(Qt::Key_Tab)
                                              << int(Qt::ControlModifier) << false << "ab\t";
        QTest::newRow("Tab leaves the comment")
            << "CommentDBMemo" << int(Qt::Key_Tab) << int(Qt::NoModifier) << true << "ab";
        QTest::newRow("Tab leaves the results grid")
            << "MainDBGrid" << int(Qt::Key_Tab) << int(Qt::NoModifier) << true << "";
    }
    void keyboard()
    {
        QFETCH(QString, widget);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, leaves);
        QFETCH(QString, text);
        TMainForm* w = startWithProject(QStringLiteral("kb.fdb"), 3);
        auto* target = w->findChild<QWidget*>(widget);
        QVERIFY(target);
        w->PageControl->setCurrentIndex(widget == QLatin1String("DescriptionDBMemo") ? 0 : 1);
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        auto* memo = qobject_cast<DBMemo*>(target);
        if (memo) {
            memo->selectAll();
            QTest::keyClicks(memo, QStringLiteral("ab"));
        }
        const QModelIndex cell = w->MainDBGrid->currentIndex();
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(!target->hasFocus(), leaves);
        if (memo)
            QCOMPARE(memo->toPlainText(), text);
        else
            QCOMPARE(w->MainDBGrid->currentIndex(), cell);
    }

    void everyWindowHasTheFormsFont_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("message box") << "message box";
        QTest::newRow("file dialog") << "file dialog";
        QTest::newRow("menu") << "menu";
        QTest::newRow("download summary") << "summary";
    }
    void everyWindowHasTheFormsFont()
    {
        QFETCH(QString, window);
        TMainForm* w = startWithProject(QStringLiteral("font.fdb"), 1);
        QFont font;
        if (window == QLatin1String("message box")) {
            ModalAnswer no([&font](QWidget* box) {
                font = box->font();
                qobject_cast<QMessageBox*>(box)->done(QMessageBox::No);
            });
            w->DeleteAllRecordsAction->trigger();
            QVERIFY(no.appeared());
        } else if (window == QLatin1String("file dialog")) {
            font = w->SaveDialog->font();
        } else if (window == QLatin1String("menu")) {
            font = w->FileMenuItem->font();
        } else {
            font = TDownloadSummaryForm(w).font();
        }
        QCOMPARE(font.family(), w->font().family());
        QCOMPARE(font.pixelSize(), 11);
    }

    void programIconsWithoutAnIconTheme()
    {
        const QList<QSize> sizes = QApplication::windowIcon().availableSizes();
        for (int size : {16, 32, 48, 256})
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        for (const char* name : {"zoom-fit-width", "document-print"})
            QVERIFY2(!QIcon::fromTheme(QString::fromLatin1(name)).isNull(), name);
    }

    void longCommandsShowTheyAreBusy_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("results");
        QTest::addColumn<bool>("progress");
        QTest::newRow("save of many deletions") << "save" << 5000 << true;
        QTest::newRow("cancel changes") << "cancel" << 3 << false;
        QTest::newRow("delete all") << "delete all" << 3 << false;
        QTest::newRow("open") << "open" << 3 << false;
        QTest::newRow("import from the device") << "import" << 3 << false;
    }
    void longCommandsShowTheyAreBusy()
    {
        QFETCH(QString, command);
        QFETCH(int, results);
        QFETCH(bool, progress);
        const QString file = f->projectFile(QStringLiteral("busy.fdb"));
        const bool open = command == QLatin1String("open");
        const bool import = command == QLatin1String("import");
        if (import)
            usbSetDriverLayer(makeDemoInstrument());
        const auto unplug = qScopeGuard([] { usbSetDriverLayer(nullptr); });
        if (open)
            f->makeProject(file, results);
        TMainForm* w = open ? f->start() : startWithProject(QStringLiteral("busy.fdb"), results);
        if (command == QLatin1String("save") || command == QLatin1String("cancel")) {
            w->MainDataModule->DeleteAllResults();
            QTRY_VERIFY(w->SaveProjectAction->isEnabled());
        }
        BusyFeedback::ShowProgressAfterMs = 0;
        const auto restore = qScopeGuard([] { BusyFeedback::ShowProgressAfterMs = 500; });
        QList<int> cursors;
        bool progressShown = false;
        QObject watch;
        connect(w->MainDataModule->ResultDataSource, &DataSource::dataSetChanged, &watch, [&] {
            const QCursor* cursor = QApplication::overrideCursor();
            cursors << (cursor ? int(cursor->shape()) : -1);
            if (auto* form = w->findChild<ProgressForm*>())
                progressShown = progressShown || form->isVisible();
        });
        std::unique_ptr<ModalAnswer> answer;
        if (command == QLatin1String("save")) {
            w->SaveProjectAction->trigger();
        } else if (command == QLatin1String("cancel")) {
            w->CancelChangesAction->trigger();
        } else if (command == QLatin1String("delete all")) {
            answer = std::make_unique<ModalAnswer>(ModalAnswer::pressButton(QMessageBox::Yes));
            w->DeleteAllRecordsAction->trigger();
        } else if (open) {
            answer =
                std::make_unique<ModalAnswer>([&](QWidget* m) { chooseInFileDialog(m, file); });
            w->OpenProjectAction->trigger();
        } else {
            answer = std::make_unique<ModalAnswer>("TDownloadSummaryForm", ModalAnswer::reject());
            w->ReadFromDeviceAction->trigger();
        }
        QVERIFY(!answer || answer->appeared());
        QVERIFY(!cursors.isEmpty());
        for (int shape : cursors)
            QCOMPARE(shape, int(Qt::WaitCursor));
        QCOMPARE(progressShown, progress);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(!w->findChild<ProgressForm*>());
        QCOMPARE(w->MainDataModule->HasChanges(), command == QLatin1String("delete all") || import);
    }

    void datesAndTimesNeverRollOver_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("date");
        QTest::newRow("last tick of a day") << 2026 << 3 << 1 << "01.03.2026";
        QTest::newRow("last tick of 9999") << 9999 << 12 << 31 << "31.12.9999";
    }
    void datesAndTimesNeverRollOver()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(QString, date);
        TMainForm* w = startWithProject(QStringLiteral("late.fdb"), 0);
        TMsrResult r = SampleResults::window(1);
        r.MsrDate = double(OleDate::dayNumber(year, month, day)) + 863999999 / 864000000.0;
        w->MainDataModule->BeginUpdate();
        QVERIFY(w->MainDataModule->AddResult(r));
        w->MainDataModule->EndUpdate();
        w->MainDataModule->SaveChanges();
        w->CloseProjectAction->trigger();
        w->OpenProject(f->projectFile(QStringLiteral("late.fdb")));
        auto* rows = static_cast<ResultTableModel*>(w->MainDBGrid->model());
        QCOMPARE(rows->rowCount(), 1);
        QString shownDate;
        QString shownTime;
        for (int c = 0; c < rows->columnCount(); ++c) {
            if (rows->fieldAt(c) == w->MainDataModule->dsetVORNMSR_DATE)
                shownDate = rows->index(0, c).data().toString();
            if (rows->fieldAt(c) == w->MainDataModule->dsetVORNMSR_TIME)
                shownTime = rows->index(0, c).data().toString();
        }
        QCOMPARE(shownDate, date);
        QCOMPARE(shownTime, QStringLiteral("23:59:59"));
    }

    void textOutsideWindows1251IsRefused()
    {
        TMainForm* w = startWithProject(QStringLiteral("cp.fdb"), 0);
        w->PageControl->setCurrentIndex(0);
        w->DescriptionDBMemo->setFocus();
        QTest::keyClicks(w->DescriptionDBMemo, QStringLiteral("ab"));
        ModalAnswer refusal(ModalAnswer::pressButton(QMessageBox::Ok));
        typeText(w->DescriptionDBMemo, QStringLiteral("Ω"));
        QTRY_VERIFY(refusal.appeared());
        QVERIFY(refusal.text().contains(QStringLiteral("Ω")));
        QCOMPARE(w->DescriptionDBMemo->toPlainText(), QStringLiteral("ab"));
    }
};

int main(int argc, char* argv[])
{
    VornApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestMainForm test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainform.moc"
