#include "compose/faxcomposer.h"

#include "common/dialstring.h"
#include "common/localeformats.h"
#include "common/messages.h"
#include "common/settings.h"
#include "compose/coverlibrary.h"
#include "compose/defaultfont.h"
#include "faximage/faxdocumentfile.h"

#include <cstdio>
#include <stdexcept>

namespace qln::compose {

namespace texts {
const char *const kFaxEditorCaption = "Fax Editor";
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

bool FaxComposer::saveMemo(const char *field, richtext::RichDocument &text)
{
    return tables_.SaveRichText(tables_.FaxTable, field, [&](const std::string &path) {
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

bool FaxComposer::saveDocument(FaxEditorSurface &editor)
{
    if (editor.attachedDocument.empty())
        return saveMemo("RTFDOC", editor.document());
    const std::string source = editor.attachedDocument;
    return tables_.SaveRichText(tables_.FaxTable, "RTFDOC", [&source](const std::string &path) {
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
    // A number the modem could not dial is refused before anything is written
    // (the editor's untouched design text is no number yet; the sender
    // refuses it should it ever be dialled).
    if (const std::string why = f.faxNumber == FaxFields{}.faxNumber ? std::string() : dialStringProblem(f.faxNumber);
        !why.empty()) {
        messages().information(why);
        return 0;
    }
    try {
        if (mode == FaxEditMode::Edit)
            t.Edit();
        else
            t.Append();
        if (!saveMemo("RTFCOVER", editor.cover()))
            throw std::runtime_error("the cover sheet could not be stored");
        if (!saveDocument(editor))
            throw std::runtime_error("the fax document could not be stored");
        t.SetString("RECIPIENT", f.recipient);
        t.SetString("SUBJECT", f.subject);
        t.SetString("PHONE", f.faxNumber);
        t.Post();
    } catch (const std::exception &e) {
        t.Cancel();
        messages().information(std::string("Unable to save the fax: ") + e.what());
        return 0;
    }
    const long recno = t.RecNo();
    if (mode != FaxEditMode::Edit && !tables_.FaxTableCloseAndOpen()) {
        messages().information("Unable to open/create the FAX datafile");
        return 0;
    }
    return recno;
}

bool FaxComposer::edit(FaxEditMode mode, FaxEditorSurface &editor)
{
    open(mode, editor);
    const std::string editCopy = editor.attachedDocument;
    const bool stored = editor.run() && store(mode, editor) != 0;
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
    const bool loaded = library.loadCurrent(cover);
    const FaxFields fields = editor.fields();
    cover.fillMergeFields([&](int tag) { return mergeValue(tag, fields, clock_()); });
    return loaded;
}

}  // namespace qln::compose
