#include "compose/editordialog.h"

#include "compose/modal.h"

namespace qln::compose {

bool EditorDialog::runWith(const EditorClose &close)
{
    close_ = close;
    const bool accepted = runModal(*this) == QDialog::Accepted;
    close_ = {};
    return accepted;
}

void EditorDialog::accept()
{
    if (close_.accept && !close_.accept())
        return;
    QDialog::accept();
}

void EditorDialog::reject()
{
    if (close_.cancel && !close_.cancel())
        return;
    QDialog::reject();
}

}  // namespace qln::compose
