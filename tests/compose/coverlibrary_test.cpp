// The cover template browser's decisions (CoverLibrary) over a real cover
// table, with a template editor that works without a window.
#include "compose/coverlibrary.h"
#include "compose/plainfaxsurface.h"

#include "composefixture.h"

#include <QTextCursor>

#include <algorithm>

namespace qln::compose::test {
namespace {

using Kind = ScriptedMessages::Kind;

// A template editor without a window: records what it was given and runs
// the test's script in place of the user, whose true presses Accept once.
struct ScriptedCoverEditor : CoverTemplateEditor {
    std::string text;
    richtext::RichDocument doc;
    std::optional<richtext::CharAttributes> typing;
    std::function<bool(ScriptedCoverEditor &)> user;
    // For each Accept pressed: whether the editor stayed open.
    std::vector<bool> *stayedOpen = nullptr;

    void setDescription(const std::string &t) override { text = t; }
    std::string description() const override { return text; }
    richtext::RichDocument &document() override { return doc; }
    void setTypingAttributes(const richtext::CharAttributes &a) override { typing = a; }
    bool run(const EditorClose &close) override
    {
        if (!user || !user(*this))
            return false;
        const bool closed = close.accept();
        if (stayedOpen)
            stayedOpen->push_back(!closed);
        return closed;
    }
};

class CoverLibraryTest : public ComposeFixture {
protected:
    void SetUp() override
    {
        ComposeFixture::SetUp();
        ASSERT_TRUE(tables->OpenCoverDBF());
        library = std::make_unique<CoverLibrary>(*tables);
    }
    void TearDown() override
    {
        library.reset();
        ComposeFixture::TearDown();
    }
    // Each editor the library asks for is scripted by `user`; the editors
    // shown are kept for inspection.
    CoverEditorFactory editors(std::function<bool(ScriptedCoverEditor &)> user)
    {
        return [this, user] {
            auto e = std::make_unique<ScriptedCoverEditor>();
            e->user = [this, user](ScriptedCoverEditor &ed) {
                shown.push_back({ed.text, ed.doc.plainTextWithBreaks().toStdString(), ed.typing.has_value()});
                return user(ed);
            };
            e->stayedOpen = &stayedOpen;
            return e;
        };
    }
    long addWithText(const std::string &description, const QString &text)
    {
        richtext::RichDocument doc;
        QTextCursor c(doc.document());
        c.insertText(text);
        return library->addTemplate(description, doc);
    }
    std::string storedText()
    {
        richtext::RichDocument doc;
        library->loadCurrent(doc);
        return doc.plainTextWithBreaks().toStdString();
    }
    std::vector<std::string> descriptions()
    {
        std::vector<std::string> out;
        for (const auto &c : library->entries())
            out.push_back(c.descript);
        return out;
    }
    struct Shown {
        std::string description, text;
        bool gotDefaultFont;
    };
    std::unique_ptr<CoverLibrary> library;
    std::vector<Shown> shown;
    std::vector<bool> stayedOpen;
};

TEST_F(CoverLibraryTest, CloneCopiesTheCurrentTemplateAndTheNextNewStartsFresh)
{
    settings().fontName = "Courier New";
    settings().fontSize = 14;
    addWithText("Letterhead", QStringLiteral("Dear reader"));
    library->cloneTemplate(editors([](ScriptedCoverEditor &) { return true; }));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].description, "[clone]Letterhead");
    EXPECT_EQ(shown[0].text, "Dear reader");
    EXPECT_FALSE(shown[0].gotDefaultFont);
    EXPECT_FALSE(library->cloneRequested());
    EXPECT_EQ(descriptions(), (std::vector<std::string>{"Letterhead", "[clone]Letterhead"}));
    EXPECT_EQ(storedText(), "Dear reader");  // the clone is current

    std::optional<richtext::CharAttributes> typing;
    library->newTemplate([&] {
        auto e = std::make_unique<ScriptedCoverEditor>();
        e->user = [&](ScriptedCoverEditor &ed) {
            typing = ed.typing;
            shown.push_back({ed.text, ed.doc.plainTextWithBreaks().toStdString(), true});
            return true;
        };
        return e;
    });
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].description, "{description}");
    EXPECT_EQ(shown[1].text, "");
    ASSERT_TRUE(typing.has_value());
    EXPECT_EQ(typing->fontName, "Courier New");
    EXPECT_EQ(typing->sizePoints, 14);
    // Accepted without editing: the placeholder is stored as the description.
    EXPECT_EQ(descriptions(), (std::vector<std::string>{"Letterhead", "[clone]Letterhead", "{description}"}));
}

TEST_F(CoverLibraryTest, ACloneOfALongDescriptionIsCutToTheFieldWidth)
{
    const std::string desc(33, 'D');
    addWithText(desc, QStringLiteral("x"));
    library->cloneTemplate(editors([](ScriptedCoverEditor &) { return true; }));
    const auto rows = library->entries();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].descript, desc);
    EXPECT_EQ(rows[1].descript, ("[clone]" + desc).substr(0, 35));
}

TEST_F(CoverLibraryTest, EditStoresIntoTheSameRowAndCancelWritesNothing)
{
    addWithText("Alpha", QStringLiteral("old text"));
    library->editTemplate(editors([](ScriptedCoverEditor &ed) {
        ed.text = "Beta";
        QTextCursor c(ed.doc.document());
        c.movePosition(QTextCursor::End);
        c.insertText(QStringLiteral(" and more"));
        return false;
    }));
    EXPECT_EQ(descriptions(), (std::vector<std::string>{"Alpha"}));
    EXPECT_EQ(storedText(), "old text");

    library->editTemplate(editors([](ScriptedCoverEditor &ed) {
        ed.text = "Beta";
        QTextCursor c(ed.doc.document());
        c.movePosition(QTextCursor::End);
        c.insertText(QStringLiteral(" and more"));
        return true;
    }));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].description, "Alpha");
    EXPECT_EQ(shown[1].text, "old text");
    EXPECT_EQ(descriptions(), (std::vector<std::string>{"Beta"}));
    EXPECT_EQ(storedText(), "old text and more");
    EXPECT_EQ(library->table().RecordCount(), 1);
}

TEST_F(CoverLibraryTest, AFailedMemoWriteLeavesNoRowAndKeepsTheEditorOpen)
{
    addWithText("Big", longText(60000));
    const std::string fpt = data + "QLNCOV.FPT";
    ASSERT_GT(fileSize(fpt), 60000u);
    auto typeLong = [](ScriptedCoverEditor &ed) {
        ed.text = "Changed";
        ed.doc.loadRtf(longText(30000).toUtf8());
        return true;
    };
    {
        FileSizeLimit full(fileSize(fpt) + 20000);
        library->newTemplate(editors(typeLong));
    }
    EXPECT_EQ(stayedOpen, (std::vector<bool>{true}));
    EXPECT_EQ(descriptions(), (std::vector<std::string>{"Big"}));
    EXPECT_EQ(library->table().RecordCount(), 1);
    ASSERT_EQ(msgs.count(Kind::Information), 1u);
    EXPECT_EQ(msgs.last().text.rfind("Unable to save the cover template: ", 0), 0u);

    {
        FileSizeLimit full(fileSize(fpt) + 20000);
        library->editTemplate(editors(typeLong));
    }
    EXPECT_EQ(stayedOpen, (std::vector<bool>{true, true}));
    ASSERT_EQ(msgs.count(Kind::Information), 2u);
    EXPECT_EQ(msgs.last().text.rfind("Unable to save the cover template: ", 0), 0u);
    EXPECT_EQ(descriptions(), (std::vector<std::string>{"Big"}));
    EXPECT_EQ(storedText().substr(0, 6), "line 0");
}

TEST_F(CoverLibraryTest, ADescriptionTheTableCannotHoldIsAskedAboutFirst)
{
    auto describe = [](ScriptedCoverEditor &ed) {
        ed.text = "\xC5\x81\xC3\xB3" "d\xC5\xBA office";
        return true;
    };
    msgs.answer(false);
    library->newTemplate(editors(describe));
    EXPECT_EQ(stayedOpen, (std::vector<bool>{true}));
    EXPECT_TRUE(descriptions().empty());
    EXPECT_EQ(msgs.last().text, "The Description field holds characters that the tables cannot store: \xC5\x81 "
                                "\xC5\xBA\rThey would be stored as \"?\".\rStore the template anyway?");
    EXPECT_EQ(msgs.last().caption, "Cover Sheet Template Editor");
    msgs.answer(true);
    library->newTemplate(editors(describe));
    EXPECT_EQ(descriptions(), (std::vector<std::string>{"?\xC3\xB3" "d? office"}));
}

TEST_F(CoverLibraryTest, DeleteAsksWithNoAsDefaultAndTheEmptyListOnlyBeeps)
{
    library->editTemplate(editors([](ScriptedCoverEditor &) { return true; }));
    library->cloneTemplate(editors([](ScriptedCoverEditor &) { return true; }));
    library->deleteTemplate();
    EXPECT_EQ(msgs.count(Kind::Beep), 3u);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(library->cloneRequested());

    addWithText("Plain", QStringLiteral("p"));
    msgs.clear();
    msgs.answer(false);
    library->deleteTemplate();
    ASSERT_EQ(msgs.count(Kind::CautiousQuestion), 1u);
    EXPECT_EQ(msgs.last().text, "Delete the current cover template?:\rPlain");
    EXPECT_EQ(msgs.last().caption, "Delete");
    EXPECT_EQ(descriptions(), (std::vector<std::string>{"Plain"}));
    msgs.answer(true);
    library->deleteTemplate();
    EXPECT_TRUE(descriptions().empty());
}

TEST_F(CoverLibraryTest, AStoredTemplateKeepsItsMergeFieldsWithTagsAndLabels)
{
    richtext::RichDocument doc;
    QTextCursor c(doc.document());
    c.insertText(QStringLiteral("To "));
    doc.insertMergeField(c, 1);
    c.insertText(QStringLiteral(" at "));
    doc.insertMergeField(c, 2);
    doc.insertMergeField(c, 5);
    ASSERT_GT(library->addTemplate("Fields", doc), 0);

    richtext::RichDocument back;
    ASSERT_TRUE(library->loadCurrent(back));
    EXPECT_EQ(back.mergeFieldCountInText(), 3);
    EXPECT_EQ(back.plainTextWithBreaks().toStdString(), "To [RECIPIENT] at [FAX#][TIME]");
    std::vector<int> asked;
    back.fillMergeFields([&](int tag) -> std::optional<QString> {
        asked.push_back(tag);
        return QStringLiteral("<%1>").arg(tag);
    });
    std::sort(asked.begin(), asked.end());
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 5}));
    EXPECT_EQ(back.plainTextWithBreaks().toStdString(), "To <1> at <2><5>");
}

TEST_F(CoverLibraryTest, FindDescriptionMatchesExactlyOnly)
{
    addWithText("Standard", QStringLiteral("s"));
    addWithText("Standard long", QStringLiteral("l"));
    EXPECT_TRUE(library->findDescription("Standard long"));
    EXPECT_EQ(storedText(), "l");
    EXPECT_TRUE(library->findDescription("Standard"));
    EXPECT_EQ(storedText(), "s");
    EXPECT_FALSE(library->findDescription("standard"));
}

}  // namespace
}  // namespace qln::compose::test
