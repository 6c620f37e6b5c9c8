#include "app/editreceivenotes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qln {

TEditReceiveNotes::TEditReceiveNotes(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EditReceiveNotes"));
    setWindowTitle(QStringLiteral("Received Fax Notes"));
    auto *layout = new QVBoxLayout(this);

    Descript = new QLabel(this);
    Descript->setObjectName(QStringLiteral("Descript"));
    layout->addWidget(Descript);

    Notes = new QLineEdit(this);
    Notes->setObjectName(QStringLiteral("Notes"));
    Notes->setMaxLength(kMaxNotes);
    Notes->setMinimumWidth(Notes->fontMetrics().averageCharWidth() * kMaxNotes);
    layout->addWidget(Notes);

    auto *row = new QHBoxLayout;
    row->addStretch(1);
    AcceptButton = new QPushButton(QStringLiteral("&Accept"), this);
    AcceptButton->setObjectName(QStringLiteral("AcceptButton"));
    AcceptButton->setToolTip(QStringLiteral("Accept changes made and exit"));
    AcceptButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cance&l"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setToolTip(QStringLiteral("Cancel changes made and exit"));
    row->addWidget(AcceptButton);
    row->addWidget(CancelButton);
    layout->addLayout(row);

    connect(AcceptButton, &QPushButton::clicked, this, [this] { done(kAccepted); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { done(kCancelled); });
}

// Escape and the window's close box cancel.
void TEditReceiveNotes::reject() { done(kCancelled); }

void TEditReceiveNotes::setDescription(const QString &text) { Descript->setText(text); }
QString TEditReceiveNotes::description() const { return Descript->text(); }
void TEditReceiveNotes::setNotes(const QString &notes) { Notes->setText(notes.left(kMaxNotes)); }
QString TEditReceiveNotes::notes() const { return Notes->text(); }

}  // namespace qln
