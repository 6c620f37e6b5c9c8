#include "compose/paragraphdialog.h"

#include "richtext/richedit.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace qln::compose {

TParagraphPropDlg::TParagraphPropDlg(richtext::TRichEdit &editor, QWidget *parent)
    : QDialog(parent), editor_(editor), values_(editor.paragraphSpacing())
{
    setObjectName(QStringLiteral("ParagraphPropDlg"));
    setWindowTitle(QStringLiteral("Paragraph Properties"));
    auto *layout = new QVBoxLayout(this);

    static const char *const names[kParagraphEditCount] = {"FirstIndent", "LeftIndent", "RightIndent",
                                                           "SpaceBeforePts", "SpaceAfterPts", "LineHeightPts"};
    for (int i = 0; i < kParagraphEditCount; ++i) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(names[i]));
        e->setMaximumWidth(e->fontMetrics().averageCharWidth() * 10);
        edits_[size_t(i)] = e;
        connect(e, &QLineEdit::textEdited, this, [this, i](const QString &text) {
            const ParagraphEdit which = ParagraphEdit(i);
            values_.setText(which, text);
            // The left indent may have carried the first indent along.
            if (which == ParagraphEdit::LeftIndent) {
                const QSignalBlocker block(edit(ParagraphEdit::FirstIndent));
                edit(ParagraphEdit::FirstIndent)->setText(values_.text(ParagraphEdit::FirstIndent));
            }
        });
    }

    auto *indents = new QGroupBox(QStringLiteral("Indents"), this);
    auto *ig = new QGridLayout(indents);
    ComboBox1 = new QComboBox(indents);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    for (const char *u : ParagraphValues::kUnitNames)
        ComboBox1->addItem(QString::fromLatin1(u));
    FirstIndentCombo = new QComboBox(indents);
    FirstIndentCombo->setObjectName(QStringLiteral("FirstIndentCombo"));
    for (const char *m : ParagraphValues::kFirstIndentModes)
        FirstIndentCombo->addItem(QString::fromLatin1(m));
    ig->addWidget(new QLabel(QStringLiteral("Units"), indents), 0, 0);
    ig->addWidget(ComboBox1, 0, 1);
    ig->addWidget(new QLabel(QStringLiteral("Left"), indents), 1, 0);
    ig->addWidget(edit(ParagraphEdit::LeftIndent), 1, 1);
    ig->addWidget(new QLabel(QStringLiteral("Right"), indents), 2, 0);
    ig->addWidget(edit(ParagraphEdit::RightIndent), 2, 1);
    ig->addWidget(new QLabel(QStringLiteral("First line"), indents), 3, 0);
    ig->addWidget(FirstIndentCombo, 3, 1);
    ig->addWidget(edit(ParagraphEdit::FirstIndent), 3, 2);
    layout->addWidget(indents);

    auto *spacing = new QGroupBox(QStringLiteral("Spacing (points)"), this);
    auto *sg = new QGridLayout(spacing);
    sg->addWidget(new QLabel(QStringLiteral("Before"), spacing), 0, 0);
    sg->addWidget(edit(ParagraphEdit::SpaceBeforePts), 0, 1);
    sg->addWidget(new QLabel(QStringLiteral("After"), spacing), 1, 0);
    sg->addWidget(edit(ParagraphEdit::SpaceAfterPts), 1, 1);
    sg->addWidget(new QLabel(QStringLiteral("Line height"), spacing), 2, 0);
    sg->addWidget(edit(ParagraphEdit::LineHeightPts), 2, 1);
    layout->addWidget(spacing);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TParagraphPropDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    FirstIndentCombo->setCurrentIndex(values_.firstIndentMode() == FirstIndentMode::SameAsLeft ? 0 : 1);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
        values_.setUnit(index == 1 ? LengthUnit::Cm : LengthUnit::Inch);
        showValues();
    });
    connect(FirstIndentCombo, &QComboBox::currentIndexChanged, this, [this](int index) {
        values_.setFirstIndentMode(index == 0 ? FirstIndentMode::SameAsLeft : FirstIndentMode::IndentedBy);
        showValues();
    });
    showValues();
}

void TParagraphPropDlg::showValues()
{
    for (int i = 0; i < kParagraphEditCount; ++i) {
        QLineEdit *e = edits_[size_t(i)];
        const QSignalBlocker block(e);
        e->setText(values_.text(ParagraphEdit(i)));
        e->setToolTip(values_.hint(ParagraphEdit(i)));
    }
    edit(ParagraphEdit::FirstIndent)->setEnabled(values_.firstIndentEnabled());
}

void TParagraphPropDlg::accept()
{
    editor_.setParagraphSpacing(values_.spacing());
    QDialog::accept();
}

}  // namespace qln::compose
