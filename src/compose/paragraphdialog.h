// TParagraphPropDlg, "Paragraph Properties": indents and spacing of the
// caret's paragraph (or the selected paragraphs) of one rich-text editor.
// The values and their conversions are ParagraphValues'; OK applies them,
// Cancel changes nothing. Modal, created for one use. User-interface thread
// only.
#pragma once

#include "compose/paragraphvalues.h"

#include <QDialog>

#include <array>

class QComboBox;
class QLineEdit;

namespace qln::richtext {
class TRichEdit;
}

namespace qln::compose {

class TParagraphPropDlg : public QDialog {
    Q_OBJECT
public:
    explicit TParagraphPropDlg(richtext::TRichEdit &editor, QWidget *parent = nullptr);

    ParagraphValues &values() { return values_; }
    QLineEdit *edit(ParagraphEdit e) const { return edits_[size_t(e)]; }
    QComboBox *unitCombo() const { return ComboBox1; }
    QComboBox *firstIndentCombo() const { return FirstIndentCombo; }

public slots:
    void accept() override;

private:
    // Shows every value and hint as ParagraphValues has them.
    void showValues();

    richtext::TRichEdit &editor_;
    ParagraphValues values_;
    std::array<QLineEdit *, kParagraphEditCount> edits_{};
    QComboBox *ComboBox1 = nullptr;
    QComboBox *FirstIndentCombo = nullptr;
};

}  // namespace qln::compose
