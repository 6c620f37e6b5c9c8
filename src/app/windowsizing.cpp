#include "app/windowsizing.h"

#include <algorithm>

namespace qln {

MainWindowSize initialMainWindowSize(int columnsWidth, int chromeWidth, int designWidth, int designHeight,
                                     int availWidth, int availHeight, int frameWidth, int frameHeight)
{
    const int maxWidth = std::max(1, availWidth - frameWidth);
    const int maxHeight = std::max(1, availHeight - frameHeight);
    MainWindowSize s;
    s.width = std::min(maxWidth, std::max(designWidth, columnsWidth + chromeWidth));
    s.height = std::min(maxHeight, std::max(designHeight, maxHeight * 2 / 3));
    return s;
}

}  // namespace qln
