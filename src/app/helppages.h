// Help by context number.
//
// Every help topic is one HTML page "<context>.html" in a "help" folder
// beside the program (build tree), in <prefix>/share/quillon/help (installed
// program) or in the data directory.
// Opening a topic shows the page in the program's own help window (so help
// works without a web browser); links between the pages work there. Web
// addresses go to the desktop's browser. Both are replaceable so tests can
// see what would open.
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
    using PageShower = std::function<bool(const QString &pagePath)>;

    // Folders searched in order: beside the program, the installed share
    // folder, then the data directory.
    static QStringList defaultSearchDirs();

    // Full path of the page for a context number, or empty when no folder has
    // it (a context number is never turned into a path outside the folders).
    static QString pageFor(int context, const QStringList &searchDirs);

    // Shows the topic's page in the help window (one window, brought to the
    // front, over the window in use). When the page is missing or cannot be
    // shown, an information box says so; returns whether it opened.
    static bool open(int context);

    // Opens a web address in the browser; false (with an information box)
    // when that fails.
    static bool openUrl(const QUrl &url);

    static void setUrlOpener(UrlOpener opener);  // empty: QDesktopServices
    static void setPageShower(PageShower shower);  // empty: the help window
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
