#include "snapshot/ScreenShotCommand.h"

void runScreenShot(QWidget* owner, std::uint32_t& inkColor, std::uint32_t& backgroundColor,
                   const QString& pictureFileName,
                   const TDeviceScreenShotForm::ErrorReporter& reportError)
{
    TDeviceScreenShotForm form(owner);
    form.setErrorReporter(reportError);
    form.setInkColor(inkColor);
    form.setBackgroundColor(backgroundColor);
    form.setPictureFileName(pictureFileName);
    form.exec();
    inkColor = form.InkColor();
    backgroundColor = form.BackgroundColor();
}
