// The fax editor's decisions, apart from the window: what the editor shows
// for New, Clone and Edit, what an accepted editor writes into the outgoing
// fax record and in which order, the values of the merge fields, and
// loading a cover template with its merge fields filled in.
//
// The window TFaxEditor implements FaxEditorSurface; `qlnfax fax add` and
// the tests implement it over plain rich documents, so every path that
// stores a fax is this one. User-interface thread only.
#pragma once

#include "compose/editorclose.h"
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
extern const char *const kFaxEditorCaption;     // "Fax Editor"
extern const char *const kEmptyFaxQuestion;     // Accept with nothing to send
extern const char *const kDiscardFaxQuestion;   // Cancel after changes
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

    bool operator==(const FaxFields &) const = default;
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
    // Shows the editor modally until `close` lets it go; true when it
    // closed through Accept.
    virtual bool run(const EditorClose &close) = 0;

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
    // current outgoing row. The editor's Accept runs accept() and its
    // Cancel confirmCancel(); it stays open while they say no. True when a
    // record was written.
    bool edit(FaxEditMode mode, FaxEditorSurface &editor);

    // Fills the editor for the mode. New: design texts and the default
    // font. Clone: the current row's texts, recipient and fax number, and
    // "[clone]" before its subject. Edit: as Clone with the subject as is.
    // A document memo holding a PDF or TIFF file is copied to
    // "_EDITDOC.pdf" / ".tif" in the data directory and attached.
    void open(FaxEditMode mode, FaxEditorSurface &editor);
    // The editor's Accept: the questions of confirmAccept(), then store().
    // True when the fax was stored and the editor may close; false leaves
    // the editor open with everything the user wrote.
    bool accept(FaxEditMode mode, FaxEditorSurface &editor);
    // The questions before a store, each with No as the default and No
    // returning to the editor: a fax whose cover sheet and document are
    // both empty (nothing to send), a fax number without a digit (its
    // design text "FaxNumber" included), and fields holding characters the
    // tables cannot store. True when there was nothing to ask or every
    // answer was Yes.
    static bool confirmAccept(FaxEditorSurface &editor);
    // The question for a fax number without a digit.
    static std::string noNumberQuestion(const std::string &number);
    // The editor's Cancel: after changes since open() (fields, either text,
    // the attachment, a loaded template) asks whether to discard them;
    // true when the editor may close.
    bool confirmCancel(FaxEditorSurface &editor);
    // Whether the editor's fields, texts or attachment changed since open().
    bool changedSinceOpen(FaxEditorSurface &editor) const;

    // Writes an accepted editor, all or nothing: New and Clone append a
    // row, Edit changes the current one. Both memos (RTFCOVER, RTFDOC) are
    // saved first and go into the pending row with RECIPIENT, SUBJECT and
    // PHONE, which one post writes; when any step fails the row is left as
    // it was (no row after New and Clone) and the failure is reported.
    // After New and Clone the outgoing table is reopened on the new row.
    // Returns the record number, 0 on failure.
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

    // Load Template: replaces the editor's cover with the library's
    // current template and fills its merge fields from the fields as they
    // are now. A template that cannot be read is reported and the cover is
    // left as it was (false).
    bool loadTemplate(CoverLibrary &library, FaxEditorSurface &editor);

private:
    void openTexts(FaxEditMode mode, FaxEditorSurface &editor);
    bool loadMemo(const char *field, richtext::RichDocument &text);
    bool stageMemo(const char *field, richtext::RichDocument &text);
    bool loadDocument(FaxEditorSurface &editor);
    bool stageDocument(FaxEditorSurface &editor);

    // What open() left in the editor, for changedSinceOpen().
    struct Opened {
        FaxFields fields;
        std::string attachedDocument;
    };

    records::FaxTables &tables_;
    std::function<QDateTime()> clock_;
    Opened opened_;
    bool templateLoaded_ = false;
};

}  // namespace qln::compose
