#include "app/ProgramShutdown.h"
#include "app/SettingsFile.h"
#include "app/TerminationSignals.h"
#include "app/VornApplication.h"
#include "storage/ResultDataSet.h"
#include "storage/TMainDataModule.h"
#include "tests/app/MainFormFixture.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/ModalAnswer.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>

namespace {

constexpr int StoredResults = 3;
constexpr int AddedResults = 2;

} // namespace

class TestProgramShutdown : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainFormFixture> f;
    QString m_project;

    TMainForm* startWithChanges(int added)
    {
        m_project = f->projectFile(QStringLiteral("мост.fdb"));
        f->makeProject(m_project, StoredResults);
        f->writeSettings("[General]\nLastProject=" + QFile::encodeName(m_project) + "\n");
        TMainForm* w = f->start();
        if (added > 0)
            f->addResults(added, 50);
        return w;
    }

private slots:
    void init() { f = std::make_unique<MainFormFixture>(); }
    void cleanup() { f.reset(); }

    // The project stays open whatever the answer: should the logout be cancelled by another
    // program, this one goes on as it was.
    void logoutAsksTheCloseQuestion_data()
    {
        QTest::addColumn<int>("added");
        QTest::addColumn<bool>("interaction");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("proceed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("pending");
        const int none = QMessageBox::NoButton;
        QTest::newRow("nothing to save") << 0 << true << none << true << StoredResults << false;
        QTest::newRow("Yes saves") << AddedResults << true << int(QMessageBox::Yes) << true
                                   << StoredResults + AddedResults << false;
        QTest::newRow("No discards")
            << AddedResults << true << int(QMessageBox::No) << true << StoredResults << false;
        QTest::newRow("Cancel cancels the logout")
            << AddedResults << true << int(QMessageBox::Cancel) << false << StoredResults << true;
        QTest::newRow("not allowed to ask: nothing decided")
            << AddedResults << false << none << true << StoredResults << true;
    }
    void logoutAsksTheCloseQuestion()
    {
        QFETCH(int, added);
        QFETCH(bool, interaction);
        QFETCH(int, answer);
        QFETCH(bool, proceed);
        QFETCH(int, stored);
        QFETCH(bool, pending);
        TMainForm* w = startWithChanges(added);
        ProgramShutdown shutdown(nullptr);
        shutdown.setMainWindow(w);
        ModalAnswer question(ModalAnswer::pressButton(answer),
                             answer == QMessageBox::NoButton ? 300 : 10000);
        QCOMPARE(shutdown.sessionCommitData(interaction), proceed);
        QCOMPARE(question.appeared(), answer != QMessageBox::NoButton);
        if (question.appeared())
            QCOMPARE(question.text(), QStringLiteral("Сохранить изменеия в проекте\rмост.fdb ?"));
        QVERIFY(w->MainDataModule->IsOpen());
        QCOMPARE(w->MainDataModule->HasChanges(), pending);
        QCOMPARE(w->MainDataModule->dsetVORN->recordCount(),
                 StoredResults + added * (answer != QMessageBox::No));
        w->MainDataModule->CancelChanges();
        w->MainDataModule->CloseDatabase();
        QCOMPARE(StorageTest::resultCount(m_project), stored);
    }

    // A signal while a modal window is open closes that window first, then the main window.
    void signalClosesModalWindowsFirst()
    {
        TMainForm* w = startWithChanges(0);
        TerminationSignals terminationSignals;
        ProgramShutdown shutdown(&terminationSignals);
        shutdown.setMainWindow(w);
        QTimer::singleShot(50, [] { std::raise(SIGTERM); });
        w->AboutMenuItem->trigger(); // returns once the About window has been closed
        QTRY_VERIFY(!w->isVisible());
        QCOMPARE(SettingsFile(f->settingsFile()).load().ProjectName, m_project);
    }
};

int main(int argc, char* argv[])
{
    VornApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestProgramShutdown test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_programshutdown.moc"
