// The fax editor's decisions, apart from the window: what the editor shows
// for New, Clone and Edit, what an accepted editor writes into the outgoing
// fax record and in which order, the values of the merge fields, and
// loading a cover template with its merge fields filled in.
//
// The window TFaxEditor implements FaxEditorSurface; `qlnfax fax add` and
// the tests implement it over plain rich documents, so every path that
// stores a fax is this one. User-interface thread only.
#pragma once

#include "records/faxtables.h"
#include "richtext/richdocument.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <string>

namespace qln::compose {

class CoverLibrary;

namespace texts {
extern const char *const kFaxEditorCaption;  // "Fax Editor"
}  // namespace texts

constexpr int kRecipientChars = 35;
constexpr int kFaxNumberChars = 25;
constexpr int kSubjectChars = 50;
// Merge values are cut to this many characters.
constexpr int kMergeValueChars = 100;

// The three single-line fields; their design texts are what a new fax
// starts with.
struct FaxFields {
    std::string recipient = "Recipient";
    std::string faxNumber = "FaxNumber";
    std::string subject = "Subject";
};

enum class FaxEditMode { New, Clone, Edit };

// What the composer needs of a fax editor.
class FaxEditorSurface {
public:
    virtual ~FaxEditorSurface() = default;
    virtual FaxFields fields() const = 0;
    virtual void setFields(const FaxFields &f) = 0;
    virtual richtext::RichDocument &cover() = 0;
    virtual richtext::RichDocument &document() = 0;
    // Typing attributes of both texts (the default font of a new fax).
    virtual void setTypingAttributes(const richtext::CharAttributes &a) = 0;
    // Shows the editor modally; true when it was accepted.
    virtual bool run() = 0;

    // A PDF or TIFF file attached as the fax's document ("" for none). When
    // set, the document memo stores this file's bytes instead of the
    // document text, and the fax pages of the file follow the cover sheet.
    std::string attachedDocument;
};

class FaxComposer {
public:
    explicit FaxComposer(records::FaxTables &tables);

    // The moment merge fields take their date and time from (default: now).
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

    // Opens, runs and, when accepted, stores: the whole of New, Clone and
    // Edit after the main window's checks. Clone and Edit work on the
    // current outgoing row. True when a record was written.
    bool edit(FaxEditMode mode, FaxEditorSurface &editor);

    // Fills the editor for the mode. New: design texts and the default
    // font. Clone: the current row's texts, recipient and fax number, and
    // "[clone]" before its subject. Edit: as Clone with the subject as is.
    // A document memo holding a PDF or TIFF file is copied to
    // "_EDITDOC.pdf" / ".tif" in the data directory and attached.
    void open(FaxEditMode mode, FaxEditorSurface &editor);
    // Writes an accepted editor: New and Clone append a row, Edit changes
    // the current one; then RTFCOVER, RTFDOC, RECIPIENT, SUBJECT, PHONE, in
    // that order, and the post. After New and Clone the outgoing table is
    // reopened on the new row. Returns the record number, 0 on failure
    // (reported; nothing is written when the texts cannot be saved).
    long store(FaxEditMode mode, FaxEditorSurface &editor);

    // The value of a merge field for the fields at `now`, cut to 100
    // characters: 1 recipient, 2 fax number, 3 subject, 4 the date in the
    // short date format, 5 the time in the long time format; nullopt for
    // any other tag.
    static std::optional<QString> mergeValue(int tag, const FaxFields &fields, const QDateTime &now);

    // The editor's attach choice: attaches `path` as the fax's document
    // when it is a PDF or TIFF file (by its content), else says so and
    // leaves the editor as it was. An empty path removes the attachment.
    static bool attachDocument(FaxEditorSurface &editor, const std::string &path);
    // The line the editor shows for its attachment ("" for none).
    static std::string attachmentText(const FaxEditorSurface &editor);

    // Load Template: clears the editor's cover, loads the library's
    // current template into it and fills its merge fields from the fields
    // as they are now.
    bool loadTemplate(CoverLibrary &library, FaxEditorSurface &editor);

private:
    bool loadMemo(const char *field, richtext::RichDocument &text);
    bool saveMemo(const char *field, richtext::RichDocument &text);
    bool loadDocument(FaxEditorSurface &editor);
    bool saveDocument(FaxEditorSurface &editor);

    records::FaxTables &tables_;
    std::function<QDateTime()> clock_;
};

}  // namespace qln::compose
