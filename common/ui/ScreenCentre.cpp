#include "common/ui/ScreenCentre.h"

#include <QScreen>
#include <QWidget>

void PlaceAtScreenCentre(QWidget* window, const QScreen* screen)
{
    if (screen)
        window->move(screen->availableGeometry().center() - window->rect().center());
}
