// Every modal dialog of the composition windows is run through runModal,
// so that tests can drive a nested dialog (a phonebook opened from the fax
// editor, a template editor opened from the browser) without a screen: a
// test installs a runner that works the dialog and returns its result.
// User-interface thread only.
#pragma once

#include <functional>

class QDialog;

namespace qln::compose {

using ModalRunner = std::function<int(QDialog &dialog)>;

// Runs `dialog` modally (QDialog::exec unless a runner is installed) and
// returns its result.
int runModal(QDialog &dialog);
// Installs a runner; an empty one restores exec().
void setModalRunner(ModalRunner runner);

}  // namespace qln::compose
