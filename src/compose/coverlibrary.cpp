#include "compose/coverlibrary.h"

#include "common/messages.h"
#include "common/settings.h"
#include "compose/defaultfont.h"
#include "compose/sidetable.h"
#include "compose/tabletext.h"

#include <QByteArray>
#include <QFile>

#include <stdexcept>

namespace qln::compose {

namespace texts {
const char *const kCoverBrowseCaption = "Cover Sheet Template Browser";
const char *const kCoverEditorCaption = "Cover Sheet Template Editor";
const char *const kNewDescription = "{description}";
const char *const kClonePrefix = "[clone]";
const char *const kCoverTableFailed = "Unable to open/create the COVER datafile";
}  // namespace texts

namespace {
constexpr const char *kDeleteCaption = "Delete";
}

CoverLibrary::CoverLibrary(records::FaxTables &tables) : tables_(tables) {}

CoverLibrary::Buttons CoverLibrary::buttons() const
{
    Buttons b;
    const bool pick = mode_ == Mode::Pick;
    b.closeShown = !pick;
    b.acceptShown = pick;
    b.cancelShown = pick;
    return b;
}

long CoverLibrary::count() { return listedCount(table()); }

std::vector<records::CoverPage> CoverLibrary::entries() { return listedRows(table(), &records::coverAt); }

bool CoverLibrary::goTo(long recordNumber) { return goToListed(table(), recordNumber); }

long CoverLibrary::currentRecordNumber() { return currentRecord(table()); }

bool CoverLibrary::loadCurrent(richtext::RichDocument &text)
{
    QByteArray rtf;
    const bool read = tables_.LoadRichText(table(), "COVER", [&rtf](const std::string &path) {
        QFile f(QString::fromStdString(path));
        if (!f.open(QIODevice::ReadOnly))
            return false;
        rtf = f.readAll();
        return f.error() == QFileDevice::NoError;
    });
    if (!read)
        return false;
    text.loadRtf(rtf);
    return true;
}

std::string CoverLibrary::currentDescription()
{
    try {
        return records::readCover(table()).descript;
    } catch (const std::exception &) {
        return {};
    }
}

std::string CoverLibrary::unreadableText(const std::string &description)
{
    return "Unable to read the cover template \"" + description + "\"";
}

bool CoverLibrary::store(const std::string &description, richtext::RichDocument &text, bool append)
{
    records::TTable &t = table();
    const long before = currentRecordNumber();
    try {
        if (append)
            t.Append();
        else
            t.Edit();
        t.SetString("DESCRIPT", description);
        // The memo waits in the pending row, so the post writes the
        // description and the text together or not at all.
        const bool staged = tables_.StageRichText(t, "COVER", [&](const std::string &path) {
            return text.saveToFile(QString::fromStdString(path));
        });
        if (!staged)
            throw std::runtime_error("the template's text could not be stored");
        t.Post();
        return true;
    } catch (const std::exception &e) {
        t.Cancel();
        // A dropped new row leaves the table past its end: back to the row
        // the list had.
        goTo(before);
        messages().information(std::string("Unable to save the cover template: ") + e.what());
        return false;
    }
}

long CoverLibrary::addTemplate(const std::string &description, richtext::RichDocument &text)
{
    if (!table().Active() || !store(description, text, true))
        return 0;
    return currentRecordNumber();
}

bool CoverLibrary::accept(CoverTemplateEditor &editor, long editedRow)
{
    const std::string description = editor.description();
    const std::string question = unstorableQuestion({{"Description", description}}, "the template");
    if (!question.empty() && !messages().cautiousQuestion(question, texts::kCoverEditorCaption))
        return false;
    if (editedRow == 0)
        return addTemplate(description, editor.document()) != 0;
    // The editor is modal, but the row is found again by number before it
    // is written.
    if (!goTo(editedRow)) {
        messages().information("Unable to save the cover template: it is no longer in the list");
        return false;
    }
    return store(description, editor.document(), false);
}

void CoverLibrary::newTemplate(const CoverEditorFactory &makeEditor)
{
    std::unique_ptr<CoverTemplateEditor> editor = makeEditor();
    if (cloneRequested_) {
        editor->setDescription(texts::kClonePrefix + records::readCover(table()).descript);
        loadCurrent(editor->document());
        cloneRequested_ = false;
    } else {
        editor->setDescription(texts::kNewDescription);
        editor->setTypingAttributes(defaultFontAttributes(settings()));
    }
    editor->run(EditorClose{[this, &editor] { return accept(*editor, 0); }, {}});
}

void CoverLibrary::cloneTemplate(const CoverEditorFactory &makeEditor)
{
    if (count() == 0) {
        messages().beep();
        return;
    }
    cloneRequested_ = true;
    newTemplate(makeEditor);
}

void CoverLibrary::editTemplate(const CoverEditorFactory &makeEditor)
{
    if (count() == 0) {
        messages().beep();
        return;
    }
    std::unique_ptr<CoverTemplateEditor> editor = makeEditor();
    const records::CoverPage row = records::readCover(table());
    editor->setDescription(row.descript);
    loadCurrent(editor->document());
    editor->run(EditorClose{[this, &editor, &row] { return accept(*editor, row.recNo); }, {}});
}

std::string CoverLibrary::deleteQuestion(const std::string &description)
{
    return "Delete the current cover template?:\r" + description;
}

void CoverLibrary::deleteTemplate()
{
    if (count() == 0) {
        messages().beep();
        return;
    }
    const records::CoverPage row = records::readCover(table());
    if (messages().cautiousQuestion(deleteQuestion(row.descript), kDeleteCaption))
        deleteCurrentRow(table(), "cover template");
    settleAfterDelete(table());
}

bool CoverLibrary::findDescription(const std::string &description)
{
    for (const records::CoverPage &c : entries())
        if (c.descript == description)
            return goTo(c.recNo);
    return false;
}

}  // namespace qln::compose
