#include "compose/defaultfont.h"

#include "common/datadir.h"
#include "common/ini.h"
#include "common/messages.h"

#include <QFontDialog>

#include <utility>

namespace qln::compose {

namespace {

std::optional<richtext::CharAttributes> qtFontDialog(const richtext::CharAttributes &preset, QWidget *parent)
{
    QFont initial(preset.fontName, preset.sizePoints);
    initial.setBold(preset.bold);
    initial.setItalic(preset.italic);
    initial.setUnderline(preset.underline);
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    richtext::CharAttributes a;
    a.fontName = f.family();
    a.sizePoints = f.pointSize() > 0 ? f.pointSize() : preset.sizePoints;
    a.bold = f.bold();
    a.italic = f.italic();
    a.underline = f.underline();
    return a;
}

FontDialog &fontDialog()
{
    static FontDialog d;
    return d;
}

}  // namespace

richtext::CharAttributes defaultFontAttributes(const Settings &s)
{
    richtext::CharAttributes a;
    a.fontName = QString::fromStdString(s.fontName);
    a.sizePoints = s.fontSize;
    a.bold = s.fontBold;
    a.italic = s.fontItalic;
    a.underline = s.fontUnderline;
    return a;
}

void storeDefaultFont(Settings &s, const richtext::CharAttributes &a)
{
    s.fontName = a.fontName.toStdString();
    s.fontSize = a.sizePoints;
    s.fontBold = a.bold;
    s.fontItalic = a.italic;
    s.fontUnderline = a.underline;
}

void setFontDialog(FontDialog dialog) { fontDialog() = std::move(dialog); }

bool chooseDefaultFont(QWidget *parent)
{
    settings().load(settingsPath());
    const richtext::CharAttributes preset = defaultFontAttributes(settings());
    const std::optional<richtext::CharAttributes> chosen =
        fontDialog() ? fontDialog()(preset, parent) : qtFontDialog(preset, parent);
    if (!chosen)
        return false;
    storeDefaultFont(settings(), *chosen);
    try {
        settings().save(settingsPath());
    } catch (const IniWriteError &e) {
        messages().information(e.what());
    }
    return true;
}

}  // namespace qln::compose
