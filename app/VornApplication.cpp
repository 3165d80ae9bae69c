#include "app/VornApplication.h"

#include "app/ErrorDisplay.h"
#include "app/LookAndTranslations.h"

#include <QFont>

VornApplication::VornApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("vorn"));
    setUpFonts();
    applyLookAndTranslations(*this);
}

bool VornApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorDisplay::showCurrentException();
        return false;
    }
}

void VornApplication::setUpFonts()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}
