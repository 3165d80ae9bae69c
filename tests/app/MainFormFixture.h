#pragma once

#include "app/TMainForm.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

class QFileDialog;

// A main window in a program folder of its own, with helpers that build projects through the
// real data module, as the import from the device does.
class MainFormFixture
{
public:
    MainFormFixture();
    ~MainFormFixture();

    QString folder() const { return m_dir.path(); }
    QString settingsFile() const;
    QString projectFile(const QString& name) const;
    void writeSettings(const QByteArray& bytes) const;
    QByteArray readSettings() const;

    // Creates the window (running its start-up) and shows it as the active window.
    TMainForm* start();
    TMainForm* form() const { return m_form.get(); }
    void stop();

    // A project file with these results saved in it, made while no window is running.
    void makeProject(const QString& fileName, int results);
    // Appends SampleResults::window results to the project open in the window, as unsaved
    // changes.
    void addResults(int count, int firstNumber = 1);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TMainForm> m_form;
};

// Answers a file dialog by choosing the file, or cancels it when the name is empty.
void chooseInFileDialog(QWidget* modal, const QString& fileName);
