// The default font of new cover sheets, documents and templates
// ([Default Font] in QLN.INI): turning it into typing attributes, and the
// "choose default font" command of the editors' tool bars.
//
// The font dialog is replaceable so that tests choose a font without a
// screen; the default is Qt's font dialog. User-interface thread only.
#pragma once

#include "common/settings.h"
#include "richtext/richdocument.h"

#include <functional>
#include <optional>

class QWidget;

namespace qln::compose {

richtext::CharAttributes defaultFontAttributes(const Settings &s);
void storeDefaultFont(Settings &s, const richtext::CharAttributes &a);

// Shows a font dialog preset with `preset`; the chosen font, or nullopt
// when the user cancels.
using FontDialog = std::function<std::optional<richtext::CharAttributes>(const richtext::CharAttributes &preset,
                                                                         QWidget *parent)>;
void setFontDialog(FontDialog dialog);  // empty: Qt's font dialog

// Reloads the settings, shows the font dialog preset with the default font
// and, on OK, stores name, size, bold, italic and underline and writes the
// settings file at once (a failed write is reported). True on OK.
bool chooseDefaultFont(QWidget *parent);

}  // namespace qln::compose
