// A fax editor without a window: the three fields and two rich documents,
// for storing a fax from the command line through the same FaxComposer
// path as the editor's Accept. run() presses Accept or Cancel once, as it
// was told to, and gives up when the checks keep the editor open.
// User-interface thread only (the documents need the GUI application).
#pragma once

#include "compose/faxcomposer.h"

namespace qln::compose {

class PlainFaxSurface : public FaxEditorSurface {
public:
    explicit PlainFaxSurface(bool accept = true) : accept_(accept) {}

    FaxFields fields() const override { return fields_; }
    void setFields(const FaxFields &f) override { fields_ = f; }
    richtext::RichDocument &cover() override { return cover_; }
    richtext::RichDocument &document() override { return document_; }
    void setTypingAttributes(const richtext::CharAttributes &a) override;
    bool run(const EditorClose &close) override;

    const richtext::CharAttributes &typingAttributes() const { return typing_; }

private:
    bool accept_;
    FaxFields fields_;
    richtext::RichDocument cover_;
    richtext::RichDocument document_;
    richtext::CharAttributes typing_;
};

// Sets the typing attributes of an empty document's first paragraph.
void applyTypingAttributes(richtext::RichDocument &doc, const richtext::CharAttributes &a);
// Sets every character of the document in `a` (a plain text file takes the
// default font this way).
void applyToWholeText(richtext::RichDocument &doc, const richtext::CharAttributes &a);

}  // namespace qln::compose
