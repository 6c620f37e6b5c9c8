// The decisions of the cover sheet template browser TCoverBrowse, apart
// from the window: browse and pick modes, New (plain or as a clone), Clone,
// Edit and Delete with their texts, and the store of an accepted template.
// The window shows the rows; tests and `qlnfax covers` drive this object.
//
// It works on the cover table of the fax tables (CoverTable), which the
// caller opens with OpenCoverDBF before and closes after. Rows are written
// as soon as a template editor is accepted. User-interface thread only.
#pragma once

#include "compose/editorclose.h"
#include "records/faxrows.h"
#include "records/faxtables.h"
#include "richtext/richdocument.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qln::compose {

namespace texts {
extern const char *const kCoverBrowseCaption;  // "Cover Sheet Template Browser"
extern const char *const kCoverEditorCaption;  // "Cover Sheet Template Editor"
extern const char *const kNewDescription;      // "{description}"
extern const char *const kClonePrefix;         // "[clone]"
extern const char *const kCoverTableFailed;    // the cover table cannot be opened
}  // namespace texts

constexpr int kCoverDescriptionChars = 35;

// What the browser asks of a template editor: the description, the rich
// text, the typing attributes of a new template, and a modal run.
class CoverTemplateEditor {
public:
    virtual ~CoverTemplateEditor() = default;
    virtual void setDescription(const std::string &text) = 0;
    virtual std::string description() const = 0;
    virtual richtext::RichDocument &document() = 0;
    virtual void setTypingAttributes(const richtext::CharAttributes &a) = 0;
    // Shows the editor until `close` lets it go; true when it closed
    // through Accept.
    virtual bool run(const EditorClose &close) = 0;
};
using CoverEditorFactory = std::function<std::unique_ptr<CoverTemplateEditor>()>;

class CoverLibrary {
public:
    enum class Mode { Browse, Pick };
    struct Buttons {
        bool closeShown = true;
        bool acceptShown = false;
        bool cancelShown = false;
    };

    explicit CoverLibrary(records::FaxTables &tables);

    records::TTable &table() { return tables_.CoverTable; }

    void setMode(Mode m) { mode_ = m; }
    Mode mode() const { return mode_; }
    Buttons buttons() const;

    long count();
    std::vector<records::CoverPage> entries();
    bool goTo(long recordNumber);
    long currentRecordNumber();

    bool cloneRequested() const { return cloneRequested_; }

    // New: with a clone request, the editor starts from the current row
    // ("[clone]" + its description, its rich text) and the request is
    // cleared; otherwise from "{description}" and the default font. The
    // editor's Accept appends a row; when the description holds characters
    // the table cannot store it asks first, and when the store fails the
    // editor stays open with the user's text.
    void newTemplate(const CoverEditorFactory &makeEditor);
    // Clone: beeps on an empty list, else requests a clone and runs New.
    void cloneTemplate(const CoverEditorFactory &makeEditor);
    // Edit: beeps on an empty list; Accept stores back into the same row,
    // as New does.
    void editTemplate(const CoverEditorFactory &makeEditor);
    // Delete: beeps on an empty list; asks with No as default; the list is
    // refreshed whatever the answer.
    void deleteTemplate();

    // Appends a template and posts it (the store of an accepted New), all
    // or nothing; returns the new record number, 0 on failure (reported,
    // and no row is written).
    long addTemplate(const std::string &description, richtext::RichDocument &text);
    // Replaces `text` with the current row's template. False, with `text`
    // left as it was, when the memo cannot be read.
    bool loadCurrent(richtext::RichDocument &text);
    // The current row's description ("" when there is none).
    std::string currentDescription();
    // "Unable to read the cover template \"<description>\"".
    static std::string unreadableText(const std::string &description);
    // Makes the first template with exactly this description current.
    bool findDescription(const std::string &description);

    static std::string deleteQuestion(const std::string &description);

private:
    // The editor's Accept: the characters question, then the store.
    bool accept(CoverTemplateEditor &editor, long editedRow);
    bool store(const std::string &description, richtext::RichDocument &text, bool append);
    void refresh();

    records::FaxTables &tables_;
    Mode mode_ = Mode::Browse;
    bool cloneRequested_ = false;
};

}  // namespace qln::compose
