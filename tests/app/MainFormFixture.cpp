#include "tests/app/MainFormFixture.h"

#include "app/ProgramFolder.h"
#include "storage/TMainDataModule.h"
#include "tests/support/SampleResults.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

MainFormFixture::MainFormFixture()
{
    ProgramFolder::setPath(m_dir.path());
}

MainFormFixture::~MainFormFixture()
{
    stop();
}

QString MainFormFixture::settingsFile() const
{
    return ProgramFolder::settingsFile();
}

QString MainFormFixture::projectFile(const QString& name) const
{
    QDir().mkpath(m_dir.filePath(QStringLiteral("projects")));
    return m_dir.filePath(QStringLiteral("projects/") + name);
}

void MainFormFixture::writeSettings(const QByteArray& bytes) const
{
    QFile f(settingsFile());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray MainFormFixture::readSettings() const
{
    QFile f(settingsFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TMainForm* MainFormFixture::start()
{
    m_form = std::make_unique<TMainForm>();
    m_form->show();
    m_form->activateWindow();
    QApplication::setActiveWindow(m_form.get());
    QCoreApplication::processEvents();
    return m_form.get();
}

void MainFormFixture::stop()
{
    m_form.reset();
    QCoreApplication::processEvents();
}

void MainFormFixture::makeProject(const QString& fileName, int results)
{
    TMainDataModule module;
    QVERIFY(module.CreateDatabase(fileName));
    QVERIFY(module.OpenDatabase(fileName));
    module.BeginUpdate();
    for (int i = 1; i <= results; ++i)
        module.AddResult(SampleResults::window(i));
    module.SortResults();
    module.EndUpdate();
    module.SaveChanges();
    module.CloseDatabase();
}

void MainFormFixture::addResults(int count, int firstNumber)
{
    TMainDataModule* module = m_form->MainDataModule;
    module->BeginUpdate();
    for (int i = 0; i < count; ++i)
        module->AddResult(SampleResults::window(firstNumber + i));
    module->SortResults();
    module->EndUpdate();
    module->NotifyScroll();
}

void chooseInFileDialog(QWidget* modal, const QString& fileName)
{
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY2(dialog, "the modal window is not a file dialog");
    if (fileName.isEmpty()) {
        dialog->reject();
        return;
    }
    // Typed into the name box, as a user does; selectFile() ignores names that do not exist yet.
    const QFileInfo file(fileName);
    dialog->setDirectory(file.absolutePath());
    auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(nameEdit);
    nameEdit->setText(file.fileName());
    static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides accept(); it still runs
}
