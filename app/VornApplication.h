#pragma once

#include <QApplication>

// The application object: an exception that escapes an event handler is shown by the error
// display instead of crossing Qt's event loop, and the program goes on.
class VornApplication : public QApplication
{
    Q_OBJECT
public:
    VornApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The window font "MS Sans Serif" 8 pt mapped to a metric-similar font that exists here.
    static void setUpFonts();
};
