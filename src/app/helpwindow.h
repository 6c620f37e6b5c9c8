// The program's own help window: shows the HTML help pages in a text
// browser, so that help works on a desktop without a web browser. Links
// between help pages open in the window (with Back and Forward); a link
// that leaves the help pages (a web address, mail) goes to the desktop's
// handler.
//
// User-interface thread only.
#pragma once

#include <QDialog>
#include <QStringList>
#include <QUrl>

class QTextBrowser;
class QToolButton;

namespace qln {

// What a click on a link of a help page does.
struct HelpLinkTarget {
    enum class Kind { Page, Anchor, External, Missing } kind = Kind::Missing;
    QUrl url;  // the page (with its fragment) or the external address
};
// A link as written in the page `current`: a relative link to a page that
// exists in the folder of `current` opens in the window; "#name" scrolls; a
// web or mail address is external; anything else (a page that is not there,
// a file outside the help folder) is Missing.
HelpLinkTarget helpLinkTarget(const QUrl &link, const QUrl &current);

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Shows the page (a local HTML file); false when it cannot be read.
    bool showPage(const QString &pagePath);
    // The page shown (a file URL with the fragment, if any).
    QUrl currentPage() const;
    QString pageTitle() const;
    // Follows a link as a click on it does.
    void followLink(const QUrl &link);

    QTextBrowser *browser() const { return browser_; }
    QToolButton *BackButton = nullptr;
    QToolButton *ForwardButton = nullptr;
    QToolButton *ContentsButton = nullptr;

private:
    void updateCaption();

    QTextBrowser *browser_ = nullptr;
};

}  // namespace qln
