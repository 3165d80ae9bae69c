#pragma once

class QScreen;
class QWidget;

// Moves the window so that its centre is the centre of the screen's available area; leaves it
// where it is without a screen.
void placeAtScreenCentre(QWidget* window, const QScreen* screen);
// The screen a window opened over its owner belongs on: the owner's, else the primary one.
const QScreen* ownerScreen(const QWidget* window);
