// Help topics open as pages by context number; missing pages are reported.
#include "app/helppages.h"
#include "app/mainscreen.h"
#include "windowfixture.h"

#include <QAction>
#include <QDir>

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
        HelpPages::setSearchDirs({QStringLiteral(QLN_HELP_DIR)});
    }
    void TearDown() override
    {
        HelpPages::setUrlOpener({});
        HelpPages::setSearchDirs({});
        WindowFixture::TearDown();
    }
    std::vector<QUrl> opened;
};

TEST_F(HelpPagesTest, EveryContextNumberOfTheProgramHasAPage)
{
    for (int context : {1009, 911, 10000, 1025, 1016, 1017, 1018, 1019, 1020, 1021, 1022, 3501,
                        3502, 3503, 21071}) {
        const QString page = HelpPages::pageFor(context, {QStringLiteral(QLN_HELP_DIR)});
        EXPECT_FALSE(page.isEmpty()) << context;
    }
    EXPECT_TRUE(HelpPages::pageFor(0, {QStringLiteral(QLN_HELP_DIR)}).isEmpty());
    EXPECT_TRUE(HelpPages::pageFor(-1009, {QStringLiteral(QLN_HELP_DIR)}).isEmpty());
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
    HelpPages::setUrlOpener([](const QUrl &) { return false; });
    EXPECT_FALSE(HelpPages::open(911));
    EXPECT_EQ(msgs.calls().size(), 2u);
}
