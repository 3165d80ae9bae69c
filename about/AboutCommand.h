#pragma once

class QWidget;

// The menu item "О программе": shows the About window modally and destroys it.
void showAboutWindow(QWidget* owner);
