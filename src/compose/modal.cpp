#include "compose/modal.h"

#include <QDialog>

#include <utility>

namespace qln::compose {

namespace {
ModalRunner &runner()
{
    static ModalRunner r;
    return r;
}
}  // namespace

int runModal(QDialog &dialog) { return runner() ? runner()(dialog) : dialog.exec(); }

void setModalRunner(ModalRunner r) { runner() = std::move(r); }

}  // namespace qln::compose
