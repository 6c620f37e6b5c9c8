// Help by context number.
//
// Every help topic is one HTML page "<context>.html" in a "help" folder
// beside the program (build tree), in <prefix>/share/quillon/help (installed
// program) or in the data directory.
// Opening a topic hands the page to the system browser. The opener is
// replaceable so tests can see which page would open without a browser.
// User-interface thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace qln {

class HelpPages {
public:
    using UrlOpener = std::function<bool(const QUrl &)>;

    // Folders searched in order: beside the program, the installed share
    // folder, then the data directory.
    static QStringList defaultSearchDirs();

    // Full path of the page for a context number, or empty when no folder has
    // it (a context number is never turned into a path outside the folders).
    static QString pageFor(int context, const QStringList &searchDirs);

    // Opens the topic's page. When the page is missing or the browser cannot
    // be started, an information box says so; returns whether it opened.
    static bool open(int context);

    // Opens a web address in the browser; false (with an information box)
    // when that fails.
    static bool openUrl(const QUrl &url);

    static void setUrlOpener(UrlOpener opener);  // empty: QDesktopServices
    static void setSearchDirs(const QStringList &dirs);  // empty: defaults
};

// Context numbers of the main window's help menu.
namespace helpcontext {
constexpr int kContents = 1009;
constexpr int kFaq = 911;
constexpr int kTechnicalHelp = 10000;
constexpr int kTechnicalSupport = 1025;
}  // namespace helpcontext

}  // namespace qln
