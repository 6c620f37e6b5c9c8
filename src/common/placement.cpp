// Window placement memory and the keep-on-screen rules, over plain
// rectangles so that no window is needed to apply them.
#include "common/ini.h"
#include "common/settings.h"

namespace qln {

std::string placementSection(const std::string &className, int pixelsPerInch)
{
    std::string s = className + "_Placement";
    if (pixelsPerInch > 96)
        s += std::to_string(pixelsPerInch);
    return s;
}

WindowPlacement readPlacement(const IniFile &ini, const std::string &className, int pixelsPerInch,
                              bool currentlyMaximized)
{
    const std::string section = placementSection(className, pixelsPerInch);
    WindowPlacement p;
    p.rect.left = ini.readInteger(section, "Left", 0);
    p.rect.top = ini.readInteger(section, "Top", 0);
    p.rect.right = ini.readInteger(section, "Right", 0);
    p.rect.bottom = ini.readInteger(section, "Bottom", 0);
    p.maximized = ini.readBool(section, "Maximized", currentlyMaximized);
    return p;
}

void writePlacement(IniFile &ini, const std::string &className, int pixelsPerInch,
                    const WindowPlacement &placement)
{
    const std::string section = placementSection(className, pixelsPerInch);
    ini.beginUpdate();
    try {
        ini.writeInteger(section, "Left", placement.rect.left);
        ini.writeInteger(section, "Top", placement.rect.top);
        ini.writeInteger(section, "Right", placement.rect.right);
        ini.writeInteger(section, "Bottom", placement.rect.bottom);
        ini.writeBool(section, "Maximized", placement.maximized);
        ini.endUpdate();
    } catch (...) {
        ini.reload();
        throw;
    }
}

Rect keepOnScreen(Rect r, int screenWidth, int screenHeight)
{
    if (r.right > screenWidth) {
        r.left -= r.right - screenWidth;
        r.right = screenWidth;
    }
    if (r.left < 0) {
        r.right += 1 - r.left;
        r.left = 1;
    }
    if (r.bottom > screenHeight) {
        r.top -= r.bottom - screenHeight;
        r.bottom = screenHeight;
    }
    if (r.top < 0) {
        r.bottom += 1 - r.top;
        r.top = 1;
    }
    return r;
}

PlacementResult restorePlacement(const WindowPlacement &stored, const Rect &centredBounds,
                                 int screenWidth, int screenHeight)
{
    PlacementResult result;
    if (stored.maximized) {
        result.maximize = true;
        return result;
    }
    Rect r = stored.rect.bottom == 0 ? centredBounds : stored.rect;
    result.rect = keepOnScreen(r, screenWidth, screenHeight);
    return result;
}

Rect centredOver(int width, int height, const Rect &over)
{
    Rect r;
    r.left = over.left + (over.width() - width) / 2;
    r.top = over.top + (over.height() - height) / 2;
    r.right = r.left + width;
    r.bottom = r.top + height;
    return r;
}

Rect centreWindow(int width, int height, bool isMainWindow, const Rect &mainWindow,
                  bool mainMaximized, const Rect &screen)
{
    if (isMainWindow || mainMaximized)
        return centredOver(width, height, screen);
    return centredOver(width, height, mainWindow);
}

}  // namespace qln
