#include "about/AboutCommand.h"

#include "about/TAboutForm.h"

void ShowAboutWindow(QWidget* owner)
{
    TAboutForm form(owner);
    form.LoadVersionInfo();
    form.exec();
}
