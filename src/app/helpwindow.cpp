#include "app/helpwindow.h"

#include "app/helppages.h"
#include "common/messages.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace qln {

HelpLinkTarget helpLinkTarget(const QUrl &link, const QUrl &current)
{
    HelpLinkTarget t;
    if (link.isEmpty())
        return t;
    const QString scheme = link.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto")) {
        t.kind = HelpLinkTarget::Kind::External;
        t.url = link;
        return t;
    }
    if (!scheme.isEmpty() && scheme != QLatin1String("file"))
        return t;
    if (link.path().isEmpty() && link.hasFragment()) {
        t.kind = HelpLinkTarget::Kind::Anchor;
        t.url = current;
        t.url.setFragment(link.fragment());
        return t;
    }
    const QUrl resolved = current.resolved(link);
    const QFileInfo page(resolved.toLocalFile());
    const QString folder = QDir::cleanPath(QFileInfo(current.toLocalFile()).absolutePath());
    // Only pages of the help folder itself are shown.
    if (!page.isFile() || QDir::cleanPath(page.absolutePath()) != folder)
        return t;
    t.kind = HelpLinkTarget::Kind::Page;
    t.url = resolved;
    return t;
}

HelpWindow::HelpWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Quillon Help"));
    resize(720, 640);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);

    auto tool = [this](const char *name, const QString &text, QStyle::StandardPixmap icon) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        return b;
    };
    BackButton = tool("BackButton", QStringLiteral("&Back"), QStyle::SP_ArrowBack);
    ForwardButton = tool("ForwardButton", QStringLiteral("&Forward"), QStyle::SP_ArrowForward);
    ContentsButton = tool("ContentsButton", QStringLiteral("&Contents"), QStyle::SP_DirHomeIcon);
    BackButton->setEnabled(false);
    ForwardButton->setEnabled(false);
    auto *bar = new QHBoxLayout;
    bar->addWidget(BackButton);
    bar->addWidget(ForwardButton);
    bar->addWidget(ContentsButton);
    bar->addStretch();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
    layout->addWidget(buttons);

    connect(BackButton, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(ForwardButton, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(ContentsButton, &QToolButton::clicked, this, [this] {
        const QString contents = QFileInfo(browser_->source().toLocalFile()).absolutePath() +
                                 QStringLiteral("/") + QString::number(helpcontext::kContents) +
                                 QStringLiteral(".html");
        followLink(QUrl::fromLocalFile(contents));
    });
    connect(browser_, &QTextBrowser::backwardAvailable, BackButton, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, ForwardButton, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] { updateCaption(); });
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
}

bool HelpWindow::showPage(const QString &pagePath)
{
    const QFileInfo page(pagePath);
    if (!page.isFile() || !page.isReadable())
        return false;
    browser_->setSearchPaths({page.absolutePath()});
    browser_->setSource(QUrl::fromLocalFile(page.absoluteFilePath()));
    updateCaption();
    return true;
}

QUrl HelpWindow::currentPage() const { return browser_->source(); }

QString HelpWindow::pageTitle() const { return browser_->documentTitle(); }

void HelpWindow::followLink(const QUrl &link)
{
    const HelpLinkTarget t = helpLinkTarget(link, browser_->source());
    switch (t.kind) {
    case HelpLinkTarget::Kind::Page:
    case HelpLinkTarget::Kind::Anchor:
        browser_->setSource(t.url);
        break;
    case HelpLinkTarget::Kind::External:
        HelpPages::openUrl(t.url);
        break;
    case HelpLinkTarget::Kind::Missing:
        messages().information("The help page " + link.toString().toStdString() + " is not installed.");
        break;
    }
}

void HelpWindow::updateCaption()
{
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Quillon Help") : title);
}

}  // namespace qln
