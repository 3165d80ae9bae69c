#pragma once

#include "snapshot/TDeviceScreenShotForm.h"

#include <QString>

#include <cstdint>

class QWidget;

// The command "Снимок экрана": shows the window modally with the given colours and file,
// and hands back the colours chosen in it, however it was closed. Errors of the opening
// paints propagate; those inside the window go to reportError (the default box when empty).
void runScreenShot(QWidget* owner, std::uint32_t& inkColor, std::uint32_t& backgroundColor,
                   const QString& pictureFileName,
                   const TDeviceScreenShotForm::ErrorReporter& reportError = {});
