#pragma once

class QApplication;

// What every window of the program shares, set once before the first window is built: Qt's own
// Russian texts (file, print and message dialogs), the form's font, the program icon for windows
// without a parent, and the program's pictures for icons the desktop's theme lacks.
void applyLookAndTranslations(QApplication& app);
