// The main window's CreateFaxFile: the current outgoing fax rendered into
// one APF file by compose::FaxFileMaker, with the window's status line,
// hourglass and button bar following the rendering.
#include "app/mainscreen.h"

#include "app/recordsfaxtables.h"
#include "common/datadir.h"
#include "compose/faxfilemaker.h"

#include <QApplication>
#include <QToolBar>

namespace qln {

std::string TMainScreen::CreateFaxFile()
{
    records::FaxTables *binding = bindingOf(*tables_);
    if (!binding)
        return {};
    compose::FaxFileMaker maker(*binding, dataDirectory());
    maker.onStatus = [this](const std::string &text) { setStatusText(QString::fromStdString(text)); };
    bool hourglass = false;
    maker.onBusy = [this, &hourglass](bool busy) {
        ButtonBar->setEnabled(!busy);
        if (busy != hourglass) {
            hourglass = busy;
            busy ? QApplication::setOverrideCursor(Qt::WaitCursor) : QApplication::restoreOverrideCursor();
        }
    };
    int pages = 0;
    std::string file;
    try {
        file = maker.CreateFaxFile(pages);
    } catch (...) {
        if (hourglass)
            QApplication::restoreOverrideCursor();
        ButtonBar->setEnabled(true);
        throw;
    }
    if (!file.empty())
        pagesOfLastRendering_ = pages;
    return file;
}

}  // namespace qln
