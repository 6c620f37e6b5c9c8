// The main window's first size when no placement is stored: every column of
// the wider list shown, on screens down to 1366 x 768.
//
// Plain functions; any thread.
#pragma once

namespace qln {

struct MainWindowSize {
    int width = 0;
    int height = 0;
    bool operator==(const MainWindowSize &) const = default;
};

// Wide enough for `columnsWidth` (the sum of the wider list's columns) plus
// `chromeWidth` (row header, frames, scroll bar), and two thirds of the free
// height; never smaller than the design size, never larger than the
// screen's free area (less `frameWidth` and `frameHeight` for the window
// manager's border and title bar).
MainWindowSize initialMainWindowSize(int columnsWidth, int chromeWidth, int designWidth, int designHeight,
                                     int availWidth, int availHeight, int frameWidth, int frameHeight);

}  // namespace qln
