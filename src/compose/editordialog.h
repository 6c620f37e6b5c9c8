// The window side of EditorClose, shared by the fax editor and the cover
// template editor: a dialog whose Accept and Cancel (also Escape and
// closing the window) close it only when the checks it runs with agree.
// User-interface thread only.
#pragma once

#include "compose/editorclose.h"

#include <QDialog>

namespace qln::compose {

class EditorDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    // Shows the dialog modally (runModal) with `close` in force; true when
    // it closed through Accept.
    bool runWith(const EditorClose &close);

    void accept() override;
    void reject() override;

private:
    EditorClose close_;
};

}  // namespace qln::compose
