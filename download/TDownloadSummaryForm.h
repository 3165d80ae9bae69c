#pragma once

#include <QDialog>

#include <cstdint>

class QFrame;
class QLabel;
class QPushButton;

// The modal summary after a download, "Результаты чтения": how many results the device
// held and how many of them the project took. Escape presses "Закрыть" like a click does.
class TDownloadSummaryForm : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(int ResultsInDeviceMemory READ ResultsInDeviceMemory WRITE setResultsInDeviceMemory)
    Q_PROPERTY(int ResultsAddedToProject READ ResultsAddedToProject WRITE setResultsAddedToProject)
public:
    explicit TDownloadSummaryForm(QWidget* parent = nullptr);

    int32_t ResultsInDeviceMemory() const { return m_resultsInDeviceMemory; }
    void setResultsInDeviceMemory(int32_t value);
    int32_t ResultsAddedToProject() const { return m_resultsAddedToProject; }
    void setResultsAddedToProject(int32_t value);

    QFrame* Bevel1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* ResultsInDeviceMemoryLabel;
    QLabel* ResultsAddedToProjectLabel;
    QPushButton* CloseButton;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    int32_t m_resultsInDeviceMemory = 0;
    int32_t m_resultsAddedToProject = 0;
};
