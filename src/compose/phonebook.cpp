#include "compose/phonebook.h"

#include "compose/composehelp.h"
#include "compose/modal.h"
#include "compose/phonebookeditor.h"
#include "compose/tablegrid.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace qln::compose {

bool runPhoneBookEditor(QWidget *parent, PhoneEntryText &entry)
{
    TPhoneBookEditor editor(parent);
    editor.setEntry(QString::fromStdString(entry.name), QString::fromStdString(entry.number));
    if (runModal(editor) != QDialog::Accepted)
        return false;
    entry.name = editor.name().toStdString();
    entry.number = editor.number().toStdString();
    return true;
}

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

TPhoneBook::TPhoneBook(PhoneBookLogic &logic, QWidget *parent) : QDialog(parent), logic_(logic)
{
    setObjectName(QStringLiteral("PhoneBook"));
    setWindowTitle(QString::fromLatin1(texts::kPhoneBookCaption));
    editor_ = [this](PhoneEntryText &entry) { return runPhoneBookEditor(this, entry); };

    auto *layout = new QHBoxLayout(this);
    PhoneGrid = new TableGrid({{QStringLiteral("Name"), 50}, {QStringLiteral("Fax #"), kPhoneNumberChars}}, this);
    PhoneGrid->setObjectName(QStringLiteral("PhoneGrid"));
    PhoneGrid->setMinimumSize(560, 300);
    layout->addWidget(PhoneGrid, 1);

    auto *buttons = new QVBoxLayout;
    Closebutton = makeButton(this, "Closebutton", "C&lose", "Close the Phone Book Browser");
    Cancelbutton = makeButton(this, "Cancelbutton", "Cance&l", "Cancel - do not use any of these phone book entries");
    OKButton = makeButton(this, "OKButton", "&Accept", "Use this phone book entry");
    Addbutton = makeButton(this, "Addbutton", "&New", "Create a new phone book entry");
    Modifybutton = makeButton(this, "Modifybutton", "&Edit", "Edit the currently selected phone book entry");
    Deletebutton = makeButton(this, "Deletebutton", "&Delete", "Delete the currently selected phone book entry");
    Helpbutton = makeButton(this, "Helpbutton", "&Help", "Get Windows help for Phonebook Browser");
    for (QPushButton *b : {OKButton, Cancelbutton, Closebutton, Addbutton, Modifybutton, Deletebutton})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(Helpbutton);
    layout->addLayout(buttons);

    connect(Closebutton, &QPushButton::clicked, this, &QDialog::reject);
    connect(Cancelbutton, &QPushButton::clicked, this, &QDialog::reject);
    connect(OKButton, &QPushButton::clicked, this, &TPhoneBook::OKButtonClick);
    connect(Addbutton, &QPushButton::clicked, this, &TPhoneBook::AddbuttonClick);
    connect(Modifybutton, &QPushButton::clicked, this, &TPhoneBook::ModifybuttonClick);
    connect(Deletebutton, &QPushButton::clicked, this, &TPhoneBook::DeletebuttonClick);
    connect(Helpbutton, &QPushButton::clicked, this, [] { openHelp(helpcontext::kPhoneBook); });
    connect(PhoneGrid, &TableGrid::currentRecordChanged, this, [this](long recno) { logic_.goTo(recno); });

    setPickMode(false);
    reloadRows();
}

QPushButton *TPhoneBook::button(const char *objectName) const
{
    return findChild<QPushButton *>(QString::fromLatin1(objectName));
}

void TPhoneBook::setPickMode(bool pick)
{
    logic_.setMode(pick ? PhoneBookLogic::Mode::Pick : PhoneBookLogic::Mode::Browse);
    const PhoneBookLogic::Buttons b = logic_.buttons();
    Closebutton->setVisible(b.closeShown);
    Cancelbutton->setVisible(b.cancelShown);
    OKButton->setVisible(b.acceptShown);
    // Browse mode: Close is the default button; pick mode: Accept.
    Closebutton->setDefault(!pick);
    OKButton->setDefault(pick);
    UpdateButtons();
}

void TPhoneBook::reloadRows()
{
    std::vector<GridRow> rows;
    for (const records::PhoneEntry &e : logic_.entries())
        rows.push_back({e.recNo, {QString::fromStdString(e.name), QString::fromStdString(e.phone)}});
    PhoneGrid->showRows(std::move(rows), logic_.currentRecordNumber());
    const long shown = PhoneGrid->currentRecord();
    if (shown > 0 && shown != logic_.currentRecordNumber())
        logic_.goTo(shown);
}

void TPhoneBook::UpdateButtons()
{
    QCoreApplication::processEvents();
    const PhoneBookLogic::Buttons b = logic_.buttons();
    Modifybutton->setEnabled(b.editEnabled);
    Deletebutton->setEnabled(b.deleteEnabled);
    OKButton->setEnabled(b.acceptEnabled);
}

void TPhoneBook::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    UpdateButtons();
}

void TPhoneBook::AddbuttonClick()
{
    logic_.newEntry(editor_);
    QCoreApplication::processEvents();
    reloadRows();
    UpdateButtons();
}

void TPhoneBook::ModifybuttonClick()
{
    logic_.editEntry(editor_);
    reloadRows();
}

void TPhoneBook::DeletebuttonClick()
{
    logic_.deleteEntry();
    reloadRows();
    UpdateButtons();
}

void TPhoneBook::OKButtonClick()
{
    if (logic_.accept())
        accept();
}

}  // namespace qln::compose
