#include "about/AboutCommand.h"

#include "about/TAboutForm.h"

void showAboutWindow(QWidget* owner)
{
    TAboutForm form(owner);
    form.LoadVersionInfo();
    form.exec();
}
