// Placing a window before it is shown: over the main window, or in the
// middle of the screen while the main window is maximized (or missing).
// User-interface thread only.
#pragma once

class QWidget;

namespace qln {

// Sizes `w` to its contents when it has no size yet and centres it.
void centreOverMainWindow(QWidget &w, const QWidget *mainWindow);

}  // namespace qln
