#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <cstddef>
#include <memory>

class QWidget;
class ProgressForm;

// Signs of life while a command holds the window: the wait cursor from the start to the end of
// the command (whichever way it ends), and a progress window once a step reporting its progress
// has lasted long enough to be noticed.
class BusyFeedback
{
public:
    BusyFeedback(QWidget* owner, const QString& caption);
    ~BusyFeedback();
    BusyFeedback(const BusyFeedback&) = delete;
    BusyFeedback& operator=(const BusyFeedback&) = delete;

    void step(size_t done, size_t total);

    // How long a step runs before its progress is shown; tests set 0.
    static inline int ShowProgressAfterMs = 500;

private:
    QPointer<QWidget> m_owner;
    QString m_caption;
    QElapsedTimer m_started;
    std::unique_ptr<ProgressForm> m_form;
};
