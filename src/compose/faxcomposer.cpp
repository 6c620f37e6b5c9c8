#include "compose/faxcomposer.h"

#include "common/localeformats.h"
#include "common/messages.h"
#include "common/settings.h"
#include "compose/coverlibrary.h"
#include "compose/defaultfont.h"
#include "compose/tabletext.h"
#include "faximage/faxdocumentfile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace qln::compose {

namespace texts {
const char *const kFaxEditorCaption = "Fax Editor";
const char *const kEmptyFaxQuestion =
    "The cover sheet and the fax document are both empty, so the fax has no page to send.\rStore it anyway?";
const char *const kDiscardFaxQuestion = "Discard the changes made to this fax?";
}  // namespace texts

FaxComposer::FaxComposer(records::FaxTables &tables)
    : tables_(tables), clock_([] { return QDateTime::currentDateTime(); })
{
}

bool FaxComposer::loadMemo(const char *field, richtext::RichDocument &text)
{
    text.clear();
    return tables_.LoadRichText(tables_.FaxTable, field, [&](const std::string &path) {
        return text.loadFromFile(QString::fromStdString(path));
    });
}

bool FaxComposer::stageMemo(const char *field, richtext::RichDocument &text)
{
    return tables_.StageRichText(tables_.FaxTable, field, [&](const std::string &path) {
        return text.saveToFile(QString::fromStdString(path));
    });
}

bool FaxComposer::loadDocument(FaxEditorSurface &editor)
{
    richtext::RichDocument &text = editor.document();
    text.clear();
    editor.attachedDocument.clear();
    return tables_.LoadRichText(tables_.FaxTable, "RTFDOC", [&](const std::string &path) {
        const fax::TFaxInputDocumentType type = fax::faxDocumentFileType(path);
        if (type == fax::idNone)
            return text.loadFromFile(QString::fromStdString(path));
        const std::string copy = tables_.DataDir() + "/_EDITDOC." + fax::faxDocumentExtension(type);
        if (fax::copyFaxDocumentFile(path, copy) < 0)
            return false;
        editor.attachedDocument = copy;
        return true;
    });
}

bool FaxComposer::stageDocument(FaxEditorSurface &editor)
{
    if (editor.attachedDocument.empty())
        return stageMemo("RTFDOC", editor.document());
    const std::string source = editor.attachedDocument;
    return tables_.StageRichText(tables_.FaxTable, "RTFDOC", [&source](const std::string &path) {
        return fax::faxDocumentFileType(source) != fax::idNone && fax::copyFaxDocumentFile(source, path) == 0;
    });
}

bool FaxComposer::attachDocument(FaxEditorSurface &editor, const std::string &path)
{
    if (path.empty()) {
        editor.attachedDocument.clear();
        return true;
    }
    if (fax::faxDocumentFileType(path) == fax::idNone) {
        messages().information("\"" + path + "\" is not a PDF or TIFF file");
        return false;
    }
    editor.attachedDocument = path;
    return true;
}

std::string FaxComposer::attachmentText(const FaxEditorSurface &editor)
{
    if (editor.attachedDocument.empty())
        return {};
    const std::size_t slash = editor.attachedDocument.find_last_of('/');
    const std::string name =
        slash == std::string::npos ? editor.attachedDocument : editor.attachedDocument.substr(slash + 1);
    return "Attached document: " + name + " (its pages follow the cover sheet; the text below is not sent)";
}

void FaxComposer::open(FaxEditMode mode, FaxEditorSurface &editor)
{
    openTexts(mode, editor);
    // From here on, what the user does counts as a change.
    opened_ = Opened{editor.fields(), editor.attachedDocument};
    templateLoaded_ = false;
    editor.cover().document()->setModified(false);
    editor.document().document()->setModified(false);
}

void FaxComposer::openTexts(FaxEditMode mode, FaxEditorSurface &editor)
{
    if (mode == FaxEditMode::New) {
        editor.attachedDocument.clear();
        editor.setFields(FaxFields{});
        editor.setTypingAttributes(defaultFontAttributes(settings()));
        return;
    }
    records::TTable &t = tables_.FaxTable;
    loadMemo("RTFCOVER", editor.cover());
    loadDocument(editor);
    FaxFields f;
    try {
        f.recipient = t.GetString("RECIPIENT");
        f.faxNumber = t.GetString("PHONE");
        f.subject = t.GetString("SUBJECT");
    } catch (const std::exception &e) {
        messages().information(std::string("Unable to read the fax: ") + e.what());
    }
    if (mode == FaxEditMode::Clone)
        f.subject = texts::kClonePrefix + f.subject;
    editor.setFields(f);
}

long FaxComposer::store(FaxEditMode mode, FaxEditorSurface &editor)
{
    records::TTable &t = tables_.FaxTable;
    const FaxFields f = editor.fields();
    const long before = t.RecNo();
    try {
        if (mode == FaxEditMode::Edit)
            t.Edit();
        else
            t.Append();
        // Nothing reaches the files before the post: the memos wait in the
        // pending row with the fields, and a failure cancels the lot.
        if (!stageMemo("RTFCOVER", editor.cover()))
            throw std::runtime_error("the cover sheet could not be stored");
        if (!stageDocument(editor))
            throw std::runtime_error(editor.attachedDocument.empty()
                                         ? "the fax document could not be stored"
                                         : "the attached document \"" + editor.attachedDocument +
                                               "\" could not be read");
        t.SetString("RECIPIENT", f.recipient);
        t.SetString("SUBJECT", f.subject);
        t.SetString("PHONE", f.faxNumber);
        t.Post();
    } catch (const std::exception &e) {
        t.Cancel();
        // A dropped new row leaves the table past its end: back to the row
        // the list had.
        t.GoTo(before);
        messages().information(std::string("Unable to save the fax: ") + e.what());
        return 0;
    }
    const long recno = t.RecNo();
    // The fax is stored; a table that does not reopen only keeps the list
    // from showing it yet.
    if (mode != FaxEditMode::Edit && !tables_.FaxTableCloseAndOpen())
        messages().information("Unable to open/create the FAX datafile");
    return recno;
}

std::string FaxComposer::noNumberQuestion(const std::string &number)
{
    return "The fax number \"" + number + "\" has no digit to dial.\rStore the fax without a usable number?";
}

bool FaxComposer::confirmAccept(FaxEditorSurface &editor)
{
    const FaxFields f = editor.fields();
    const bool nothingToSend =
        std::as_const(editor.cover()).isEmptyText() && editor.attachedDocument.empty() &&
        std::as_const(editor.document()).isEmptyText();
    if (nothingToSend && !messages().cautiousQuestion(texts::kEmptyFaxQuestion, texts::kFaxEditorCaption))
        return false;
    // The design text "FaxNumber" has no digit either.
    const bool hasDigit = std::any_of(f.faxNumber.begin(), f.faxNumber.end(),
                                      [](unsigned char c) { return std::isdigit(c) != 0; });
    if (!hasDigit && !messages().cautiousQuestion(noNumberQuestion(f.faxNumber), texts::kFaxEditorCaption))
        return false;
    const std::string unstorable = unstorableQuestion(
        {{"Recipient", f.recipient}, {"Fax Number", f.faxNumber}, {"Subject", f.subject}}, "the fax");
    if (!unstorable.empty() && !messages().cautiousQuestion(unstorable, texts::kFaxEditorCaption))
        return false;
    return true;
}

bool FaxComposer::accept(FaxEditMode mode, FaxEditorSurface &editor)
{
    return confirmAccept(editor) && store(mode, editor) != 0;
}

bool FaxComposer::changedSinceOpen(FaxEditorSurface &editor) const
{
    return editor.fields() != opened_.fields || editor.attachedDocument != opened_.attachedDocument ||
           templateLoaded_ || std::as_const(editor.cover()).document()->isModified() ||
           std::as_const(editor.document()).document()->isModified();
}

bool FaxComposer::confirmCancel(FaxEditorSurface &editor)
{
    return !changedSinceOpen(editor) ||
           messages().cautiousQuestion(texts::kDiscardFaxQuestion, texts::kFaxEditorCaption);
}

bool FaxComposer::edit(FaxEditMode mode, FaxEditorSurface &editor)
{
    open(mode, editor);
    const std::string editCopy = editor.attachedDocument;
    const bool stored = editor.run(EditorClose{[&] { return accept(mode, editor); },
                                               [&] { return confirmCancel(editor); }});
    // The copy open() made of an attached document is not needed once the
    // editor is closed (the memo holds the document).
    if (!editCopy.empty())
        std::remove(editCopy.c_str());
    return stored;
}

std::optional<QString> FaxComposer::mergeValue(int tag, const FaxFields &fields, const QDateTime &now)
{
    QString value;
    switch (tag) {
    case 1: value = QString::fromStdString(fields.recipient); break;
    case 2: value = QString::fromStdString(fields.faxNumber); break;
    case 3: value = QString::fromStdString(fields.subject); break;
    case 4: value = QString::fromStdString(formatDate(localeFormats().shortDateFormat, now.date())); break;
    case 5: value = QString::fromStdString(formatTime(localeFormats().longTimeFormat, now.time())); break;
    default: return std::nullopt;
    }
    // Cut by characters; a character outside the basic plane counts once.
    qsizetype end = 0;
    for (int chars = 0; end < value.size() && chars < kMergeValueChars; ++chars)
        end += (value.at(end).isHighSurrogate() && end + 1 < value.size()) ? 2 : 1;
    value.truncate(end);
    return value;
}

bool FaxComposer::loadTemplate(CoverLibrary &library, FaxEditorSurface &editor)
{
    richtext::RichDocument &cover = editor.cover();
    if (!library.loadCurrent(cover)) {
        messages().information(CoverLibrary::unreadableText(library.currentDescription()) +
                               "; the cover sheet is unchanged");
        return false;
    }
    const FaxFields fields = editor.fields();
    cover.fillMergeFields([&](int tag) { return mergeValue(tag, fields, clock_()); });
    templateLoaded_ = true;
    return true;
}

}  // namespace qln::compose
