#include "common/ui/ScreenCentre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void placeAtScreenCentre(QWidget* window, const QScreen* screen)
{
    if (screen)
        window->move(screen->availableGeometry().center() - window->rect().center());
}

const QScreen* ownerScreen(const QWidget* window)
{
    const QScreen* screen = window->parentWidget() ? window->parentWidget()->screen() : nullptr;
    return screen ? screen : QGuiApplication::primaryScreen();
}
