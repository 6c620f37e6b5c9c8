// Window placement memory of the editor windows (the fax editor and the
// cover template editor): the section "<class>_Placement" of QLN.INI, with
// the screen's pixels per inch appended above 96. A window with nothing
// stored is centred over its parent (or the screen). User-interface thread
// only.
#pragma once

class QWidget;

namespace qln::compose {

void restoreWindowPlacement(QWidget &w, const char *className);
// A failed write is reported in an information box.
void saveWindowPlacement(QWidget &w, const char *className);

}  // namespace qln::compose
