#include "compose/coverbrowse.h"

#include "common/messages.h"
#include "compose/composehelp.h"
#include "compose/covereditor.h"
#include "compose/tablegrid.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qln::compose {

namespace {
QPushButton *makeButton(QWidget *parent, const char *name, const char *caption, const char *hint)
{
    auto *b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(QString::fromUtf8(hint));
    b->setAutoDefault(false);
    return b;
}
}  // namespace

TCoverBrowse::TCoverBrowse(CoverLibrary &library, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), library_(library)
{
    setObjectName(QStringLiteral("CoverBrowse"));
    setWindowTitle(QString::fromLatin1(texts::kCoverBrowseCaption));
    factory_ = [this] { return std::make_unique<TCoverEditor>(this); };

    auto *layout = new QHBoxLayout(this);
    CoverGrid = new TableGrid({{QStringLiteral("Description"), 100}}, this);
    CoverGrid->setObjectName(QStringLiteral("CoverGrid"));
    CoverGrid->setMinimumSize(520, 300);
    layout->addWidget(CoverGrid, 1);

    auto *column = new QVBoxLayout;
    Acceptbutton = makeButton(this, "Acceptbutton", "&Accept", "Use this cover sheet template");
    CancelButton = makeButton(this, "CancelButton", "Cance&l", "Cancel - do not use any of these templates");
    CloseButton = makeButton(this, "CloseButton", "C&lose", "Close the Cover Sheet Template Browser");
    auto *newButton = makeButton(this, "NewButton", "&New", "Create a new fax cover template");
    auto *modify = makeButton(this, "ModifyButton", "&Edit", "Edit the currently selected fax cover template");
    auto *clone = makeButton(this, "CloneButton", "&Clone", "Clone the currently selected fax cover template");
    auto *del = makeButton(this, "DeleteButton", "&Delete", "Delete  the currently selected fax cover template");
    auto *help = makeButton(this, "HelpButton", "&Help", "Get Windows help for Cover Sheet Template Browser");
    for (QPushButton *b : {Acceptbutton, CancelButton, CloseButton, newButton, modify, clone, del})
        column->addWidget(b);
    column->addStretch(1);
    column->addWidget(help);
    layout->addLayout(column);

    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(Acceptbutton, &QPushButton::clicked, this, &TCoverBrowse::AcceptbuttonClick);
    connect(newButton, &QPushButton::clicked, this, &TCoverBrowse::NewButtonClick);
    connect(modify, &QPushButton::clicked, this, &TCoverBrowse::ModifyButtonClick);
    connect(clone, &QPushButton::clicked, this, &TCoverBrowse::CloneButtonClick);
    connect(del, &QPushButton::clicked, this, &TCoverBrowse::DeleteButtonClick);
    connect(help, &QPushButton::clicked, this, [] { openHelp(helpcontext::kCoverBrowser); });
    connect(CoverGrid, &TableGrid::currentRecordChanged, this, [this](long recno) { library_.goTo(recno); });

    setPickMode(false);
    reloadRows();
}

QPushButton *TCoverBrowse::button(const char *objectName) const
{
    return findChild<QPushButton *>(QString::fromLatin1(objectName));
}

void TCoverBrowse::setPickMode(bool pick)
{
    library_.setMode(pick ? CoverLibrary::Mode::Pick : CoverLibrary::Mode::Browse);
    const CoverLibrary::Buttons b = library_.buttons();
    CloseButton->setVisible(b.closeShown);
    Acceptbutton->setVisible(b.acceptShown);
    CancelButton->setVisible(b.cancelShown);
    CloseButton->setDefault(!pick);
    Acceptbutton->setDefault(pick);
}

void TCoverBrowse::reloadRows()
{
    std::vector<GridRow> rows;
    for (const records::CoverPage &c : library_.entries())
        rows.push_back({c.recNo, {QString::fromStdString(c.descript)}});
    CoverGrid->showRows(std::move(rows), library_.currentRecordNumber());
    const long shown = CoverGrid->currentRecord();
    if (shown > 0 && shown != library_.currentRecordNumber())
        library_.goTo(shown);
}

// Accepting with no template would load nothing over the fax's cover sheet,
// so an empty list only beeps.
void TCoverBrowse::AcceptbuttonClick()
{
    if (library_.count() == 0) {
        messages().beep();
        return;
    }
    accept();
}

void TCoverBrowse::NewButtonClick()
{
    library_.newTemplate(factory_);
    reloadRows();
}

void TCoverBrowse::ModifyButtonClick()
{
    library_.editTemplate(factory_);
    reloadRows();
}

void TCoverBrowse::CloneButtonClick()
{
    library_.cloneTemplate(factory_);
    reloadRows();
}

void TCoverBrowse::DeleteButtonClick()
{
    library_.deleteTemplate();
    reloadRows();
}

}  // namespace qln::compose
