#include "app/dmconditions.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qln {

using records::MatchField;

TDeleteForConditions::TDeleteForConditions(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DeleteForConditions"));
    setWindowTitle(QStringLiteral("Delete Faxes Where...."));
    auto *layout = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    struct Row {
        QRadioButton *&choice;
        QLineEdit *&edit;
        const char *choiceName, *editName, *caption, *hint;
        int width;   // the field's width in the table
    };
    Row rows[] = {
        {FromChoice, FromEdit, "FromChoice", "FromEdit", "Fax is FROM:",
         "For received faxes, who was the fax from", 20},
        {RecipientChoice, RecipientEdit, "RecipientChoice", "RecipientEdit", "RECIPIENT is:",
         "For SENT faxes, who is the fax to", 35},
        {PhoneChoice, PhoneEdit, "PhoneChoice", "PhoneEdit", "FAX # is:",
         "For SENT faxes, what fax number is the fax to", 25},
    };
    int r = 0;
    for (Row &row : rows) {
        row.choice = new QRadioButton(QString::fromLatin1(row.caption), this);
        row.choice->setObjectName(QString::fromLatin1(row.choiceName));
        row.choice->setToolTip(QString::fromLatin1(row.hint));
        row.edit = new QLineEdit(this);
        row.edit->setObjectName(QString::fromLatin1(row.editName));
        row.edit->setToolTip(QString::fromLatin1(row.hint));
        row.edit->setMaxLength(row.width);
        row.edit->setMinimumWidth(row.edit->fontMetrics().averageCharWidth() * 30);
        grid->addWidget(row.choice, r, 0);
        grid->addWidget(row.edit, r, 1);
        // Typing into a field chooses it.
        QRadioButton *choice = row.choice;
        connect(row.edit, &QLineEdit::textEdited, choice, [choice] { choice->setChecked(true); });
        ++r;
    }
    layout->addLayout(grid);

    ExactMatch = new QCheckBox(QStringLiteral("Text must match exactly"), this);
    ExactMatch->setObjectName(QStringLiteral("ExactMatch"));
    ExactMatch->setChecked(true);
    auto *note = new QLabel(QStringLiteral("(uncheck to allow  partial matches)"), this);
    note->setObjectName(QStringLiteral("ExactNote"));
    auto *exactRow = new QHBoxLayout;
    exactRow->addWidget(ExactMatch);
    exactRow->addWidget(note);
    exactRow->addStretch(1);
    layout->addLayout(exactRow);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OkButton, &QPushButton::clicked, this, &TDeleteForConditions::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    RecipientChoice->setChecked(true);
}

QRadioButton *TDeleteForConditions::choice(MatchField field) const
{
    switch (field) {
    case MatchField::From: return FromChoice;
    case MatchField::Recipient: return RecipientChoice;
    default: return PhoneChoice;
    }
}

QLineEdit *TDeleteForConditions::edit(MatchField field) const
{
    switch (field) {
    case MatchField::From: return FromEdit;
    case MatchField::Recipient: return RecipientEdit;
    default: return PhoneEdit;
    }
}

void TDeleteForConditions::setup(const ConditionsSetup &s)
{
    const struct {
        MatchField field;
        bool enabled;
        const std::string &text;
    } fields[] = {{MatchField::From, s.fromEnabled, s.from},
                  {MatchField::Recipient, s.recipientEnabled, s.recipient},
                  {MatchField::Phone, s.phoneEnabled, s.phone}};
    for (const auto &f : fields) {
        choice(f.field)->setEnabled(f.enabled);
        edit(f.field)->setEnabled(f.enabled);
        edit(f.field)->setText(QString::fromStdString(f.text));
    }
    choice(s.chosen)->setChecked(true);
}

MatchField TDeleteForConditions::chosen() const
{
    if (FromChoice->isChecked())
        return MatchField::From;
    return PhoneChoice->isChecked() ? MatchField::Phone : MatchField::Recipient;
}

std::string TDeleteForConditions::text() const { return edit(chosen())->text().toStdString(); }

bool TDeleteForConditions::exact() const { return ExactMatch->isChecked(); }

void TDeleteForConditions::OkButtonClick()
{
    if (!check_ || check_(text()))
        accept();
}

}  // namespace qln
