#include "app/helppages.h"

#include "app/helpwindow.h"
#include "common/datadir.h"
#include "common/messages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace qln {

namespace {
HelpPages::UrlOpener &opener()
{
    static HelpPages::UrlOpener o;
    return o;
}
QStringList &searchDirsOverride()
{
    static QStringList dirs;
    return dirs;
}
HelpPages::PageShower &shower()
{
    static HelpPages::PageShower s;
    return s;
}

// The one help window. It belongs to the modal window in use, if any (a
// window beside a modal one could not be used), else to the active window;
// it is made anew when that owner changes.
bool showInHelpWindow(const QString &page)
{
    static QPointer<HelpWindow> window;
    QWidget *owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    if (window && owner == window.data())
        owner = window->parentWidget();
    if (window && window->parentWidget() != owner) {
        window->close();
        window->deleteLater();
        window = nullptr;
    }
    if (!window) {
        window = new HelpWindow(owner);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!window->showPage(page))
        return false;
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

bool callOpener(const QUrl &url)
{
    if (opener())
        return opener()(url);
    return QDesktopServices::openUrl(url);
}
}  // namespace

QStringList HelpPages::defaultSearchDirs()
{
    QStringList dirs;
    // In the build tree the pages are copied beside the program; an
    // installed program finds them in <prefix>/share/quillon/help.
    const QString appDir = QCoreApplication::applicationDirPath();
    dirs << appDir + QStringLiteral("/help");
    dirs << QDir::cleanPath(appDir + QStringLiteral("/../share/quillon/help"));
    dirs << QString::fromStdString(dataDirectory()) + QStringLiteral("help");
    return dirs;
}

QString HelpPages::pageFor(int context, const QStringList &searchDirs)
{
    if (context <= 0)
        return {};
    const QString name = QString::number(context) + QStringLiteral(".html");
    for (const QString &dir : searchDirs) {
        const QFileInfo page(QDir(dir).filePath(name));
        if (page.isFile())
            return page.absoluteFilePath();
    }
    return {};
}

bool HelpPages::open(int context)
{
    const QStringList dirs =
        searchDirsOverride().isEmpty() ? defaultSearchDirs() : searchDirsOverride();
    const QString page = pageFor(context, dirs);
    if (page.isEmpty()) {
        messages().information("The help page for topic " + std::to_string(context) +
                               " is not installed.");
        return false;
    }
    const bool shown = shower() ? shower()(page) : showInHelpWindow(page);
    if (!shown) {
        messages().information("Unable to open the help page " + page.toStdString());
        return false;
    }
    return true;
}

bool HelpPages::openUrl(const QUrl &url)
{
    if (callOpener(url))
        return true;
    messages().information("Unable to open " + url.toString().toStdString());
    return false;
}

void HelpPages::setUrlOpener(UrlOpener o) { opener() = std::move(o); }

void HelpPages::setPageShower(PageShower s) { shower() = std::move(s); }

void HelpPages::setSearchDirs(const QStringList &dirs) { searchDirsOverride() = dirs; }

}  // namespace qln
