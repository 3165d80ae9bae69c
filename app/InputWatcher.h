#pragma once

#include <QObject>

// Watches the application's input so that the main window can recompute what depends on it once
// the burst of input has been handled, instead of polling.
class InputWatcher : public QObject
{
    Q_OBJECT
public:
    explicit InputWatcher(QObject* parent);
    ~InputWatcher() override;

signals:
    void inputHandled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
