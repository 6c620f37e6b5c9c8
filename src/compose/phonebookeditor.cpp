#include "compose/phonebookeditor.h"

#include "compose/composehelp.h"
#include "compose/phonebooklogic.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qln::compose {

TPhoneBookEditor::TPhoneBookEditor(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("PhoneBookEditor"));
    setWindowTitle(QString::fromLatin1(texts::kPhoneBookEditorCaption));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    Name = new QLineEdit(this);
    Name->setObjectName(QStringLiteral("Name"));
    Name->setMaxLength(kPhoneNameChars);
    Name->setToolTip(QStringLiteral("Type the recipient's name here"));
    Name->setMinimumWidth(Name->fontMetrics().averageCharWidth() * (kPhoneNameChars + 2));
    Number = new QLineEdit(this);
    Number->setObjectName(QStringLiteral("Number"));
    Number->setMaxLength(kPhoneNumberChars);
    Number->setToolTip(QStringLiteral("Type the fax number here"));
    form->addRow(QStringLiteral("Name"), Name);
    form->addRow(QStringLiteral("Fax Number"), Number);
    layout->addLayout(form);

    auto *row = new QHBoxLayout;
    row->addStretch(1);
    OKButton = new QPushButton(QStringLiteral("&Accept"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setToolTip(QStringLiteral("Accept changes made and exit"));
    OKButton->setDefault(true);
    Cancelbutton = new QPushButton(QStringLiteral("Cance&l"), this);
    Cancelbutton->setObjectName(QStringLiteral("Cancelbutton"));
    Cancelbutton->setToolTip(QStringLiteral("Cancel changes made and exit"));
    Helpbutton = new QPushButton(QStringLiteral("&Help"), this);
    Helpbutton->setObjectName(QStringLiteral("Helpbutton"));
    Helpbutton->setToolTip(QStringLiteral("Get Windows help for Phone Book Editor"));
    row->addWidget(OKButton);
    row->addWidget(Cancelbutton);
    row->addWidget(Helpbutton);
    layout->addLayout(row);

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancelbutton, &QPushButton::clicked, this, &QDialog::reject);
    connect(Helpbutton, &QPushButton::clicked, this, [] { openHelp(helpcontext::kPhoneBookEditor); });
}

void TPhoneBookEditor::setEntry(const QString &name, const QString &number)
{
    Name->setText(name);
    Number->setText(number);
}

QString TPhoneBookEditor::name() const { return Name->text(); }
QString TPhoneBookEditor::number() const { return Number->text(); }

}  // namespace qln::compose
