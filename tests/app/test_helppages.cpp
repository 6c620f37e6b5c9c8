// Help topics open as pages by context number; missing pages are reported.
#include "app/helppages.h"
#include "app/helpwindow.h"
#include "app/mainscreen.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QToolButton>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <set>

using namespace qln;
using namespace qln::testing;

class HelpPagesTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        HelpPages::setUrlOpener([this](const QUrl &u) {
            opened.push_back(u);
            return true;
        });
        HelpPages::setPageShower([this](const QString &page) {
            opened.push_back(QUrl::fromLocalFile(page));
            return showPages;
        });
        HelpPages::setSearchDirs({QStringLiteral(QLN_HELP_DIR)});
    }
    void TearDown() override
    {
        HelpPages::setUrlOpener({});
        HelpPages::setPageShower({});
        HelpPages::setSearchDirs({});
        WindowFixture::TearDown();
    }
    std::vector<QUrl> opened;
    bool showPages = true;
};

namespace {

// Every help context number the sources use. Context numbers are written in
// three ways: constants and calls on a line that speaks of help, topics or
// contexts ("kHelpTopic = 1016", "help topic 21071"), the members of a
// "namespace helpcontext" block, and the "return N;" lines of a function
// whose name is helpTopic.
std::set<int> contextNumbersInSources(const QString &root)
{
    static const QRegularExpression mention(QStringLiteral("help|topic|context"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression number(QStringLiteral("(?<![0-9A-Za-z_.x])([0-9]{3,5})(?![0-9.])"));
    static const QRegularExpression returned(QStringLiteral("return\\s+([0-9]{3,5})\\s*;"));
    std::set<int> found;
    QDirIterator it(root, {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        bool inBlock = false;     // inside namespace helpcontext or helpTopic()
        int depth = 0;
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
            if (!inBlock && (line.contains(QStringLiteral("namespace helpcontext")) ||
                             QRegularExpression(QStringLiteral("\\bhelpTopic\\(int")).match(line).hasMatch()) &&
                !line.trimmed().endsWith(QLatin1Char(';'))) {
                inBlock = true;
                depth = 0;
            }
            const bool mentioned = mention.match(line).hasMatch();
            if (mentioned || (inBlock && (line.contains(QLatin1Char('=')) || returned.match(line).hasMatch()))) {
                auto m = number.globalMatch(line);
                while (m.hasNext())
                    found.insert(m.next().captured(1).toInt());
            }
            if (inBlock) {
                depth += int(line.count(QLatin1Char('{'))) - int(line.count(QLatin1Char('}')));
                if (depth <= 0 && line.contains(QLatin1Char('}')))
                    inBlock = false;
            }
        }
    }
    return found;
}

}  // namespace

TEST_F(HelpPagesTest, EveryContextNumberOfTheProgramHasAPage)
{
    const std::set<int> used = contextNumbersInSources(QStringLiteral(QLN_SOURCE_DIR));
    // The scan must see the numbers of the main window, the composition
    // windows and the preferences pages, or it is not looking at all.
    for (int known : {1009, 911, 10000, 1025, 1015, 1016, 1017, 1018, 1019, 1020, 1022, 3501, 3502, 3503, 21071})
        EXPECT_TRUE(used.count(known)) << "the scan missed context " << known;
    for (int context : used) {
        const QString page = HelpPages::pageFor(context, {QStringLiteral(QLN_HELP_DIR)});
        EXPECT_FALSE(page.isEmpty()) << "no help page " << context << ".html";
    }
    EXPECT_TRUE(HelpPages::pageFor(0, {QStringLiteral(QLN_HELP_DIR)}).isEmpty());
    EXPECT_TRUE(HelpPages::pageFor(-1009, {QStringLiteral(QLN_HELP_DIR)}).isEmpty());
}

TEST_F(HelpPagesTest, PagesLinkOnlyToPagesThatExist)
{
    const QDir dir(QStringLiteral(QLN_HELP_DIR));
    static const QRegularExpression link(QStringLiteral("href=\"([^\":#]+)\""));
    int links = 0;
    for (const QString &name : dir.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(html.contains(QStringLiteral("<title>"))) << name.toStdString();
        auto m = link.globalMatch(html);
        while (m.hasNext()) {
            const QString target = m.next().captured(1);
            ++links;
            EXPECT_TRUE(QFileInfo::exists(dir.filePath(target))) << name.toStdString() << " -> " << target.toStdString();
        }
    }
    EXPECT_GT(links, 20);
}

TEST_F(HelpPagesTest, HelpMenuOpensTheTopicsPages)
{
    writeIni();
    TMainScreen w;
    w.menuAction("mnuContents")->trigger();
    w.menuAction("mnuFaq")->trigger();
    w.menuAction("mnuTechHelp")->trigger();
    w.menuAction("mnuSupport")->trigger();
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_TRUE(opened[0].toLocalFile().endsWith(QStringLiteral("/1009.html")));
    EXPECT_TRUE(opened[1].toLocalFile().endsWith(QStringLiteral("/911.html")));
    EXPECT_TRUE(opened[2].toLocalFile().endsWith(QStringLiteral("/10000.html")));
    EXPECT_TRUE(opened[3].toLocalFile().endsWith(QStringLiteral("/1025.html")));
    w.menuAction("mnuWebsite")->trigger();
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[4].scheme(), QStringLiteral("https"));
    EXPECT_EQ(msgs.calls().size(), 0u);
}

TEST_F(HelpPagesTest, MissingPageOrBrowserFailureIsReported)
{
    HelpPages::setSearchDirs({dir.path()});
    EXPECT_FALSE(HelpPages::open(1009));
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(msgs.calls().size(), 1u);
    EXPECT_NE(msgs.last().text.find("1009"), std::string::npos);

    HelpPages::setSearchDirs({QStringLiteral(QLN_HELP_DIR)});
    showPages = false;
    EXPECT_FALSE(HelpPages::open(911));
    EXPECT_EQ(msgs.calls().size(), 2u);
}

TEST_F(HelpPagesTest, HelpWindowShowsPagesWithoutABrowserAndFollowsTheirLinks)
{
    HelpPages::setPageShower({});  // the program's own window
    ASSERT_TRUE(HelpPages::open(1009));
    HelpWindow *help = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *h = qobject_cast<HelpWindow *>(w); h && h->isVisible())
            help = h;
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->currentPage().toLocalFile().endsWith(QStringLiteral("/1009.html")));
    EXPECT_EQ(help->windowTitle(), QStringLiteral("Quillon Help — Contents"));
    // A link to another page opens it in the window; Back returns.
    help->followLink(QUrl(QStringLiteral("911.html")));
    EXPECT_TRUE(help->currentPage().toLocalFile().endsWith(QStringLiteral("/911.html")));
    EXPECT_TRUE(help->BackButton->isEnabled());
    help->BackButton->click();
    EXPECT_TRUE(help->currentPage().toLocalFile().endsWith(QStringLiteral("/1009.html")));
    // Web addresses go to the browser; a page that is not there is reported.
    help->followLink(QUrl(QStringLiteral("https://example.org/")));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].host(), QStringLiteral("example.org"));
    help->followLink(QUrl(QStringLiteral("nothere.html")));
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Information), 1u);
    help->close();
}

TEST(HelpLinks, PagesOfTheHelpFolderOnly)
{
    const QUrl contents = QUrl::fromLocalFile(QStringLiteral(QLN_HELP_DIR "/1009.html"));
    EXPECT_EQ(helpLinkTarget(QUrl(QStringLiteral("1021.html")), contents).kind, HelpLinkTarget::Kind::Page);
    EXPECT_EQ(helpLinkTarget(QUrl(QStringLiteral("#top")), contents).kind, HelpLinkTarget::Kind::Anchor);
    EXPECT_EQ(helpLinkTarget(QUrl(QStringLiteral("mailto:a@b")), contents).kind, HelpLinkTarget::Kind::External);
    EXPECT_EQ(helpLinkTarget(QUrl(QStringLiteral("../CMakeLists.txt")), contents).kind,
              HelpLinkTarget::Kind::Missing);
    EXPECT_EQ(helpLinkTarget(QUrl(QStringLiteral("javascript:x")), contents).kind, HelpLinkTarget::Kind::Missing);
}
