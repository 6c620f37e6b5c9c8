// TRichEditToolBar: the formatting tool bar bound to one TRichEdit: font
// name list (the installed screen fonts), font size list (from 8 points),
// normal, bold, italic, underline (whose keys Ctrl+B, Ctrl+I and Ctrl+U
// the control handles itself), align left, align right, justify, centre,
// copy, cut, paste and spell check. The spell-check button raises
// the bound control's StartSpellCheck; the others act on its selection, or
// on what is typed next. The bar follows the caret: lists and pressed
// buttons show the attributes there.
//
// The owner window appends its own buttons with addButton()/addWidget(),
// each after a 2-pixel spacer unless asked otherwise.
//
// User-interface thread only.
#pragma once

#include <QPointer>
#include <QWidget>

class QButtonGroup;
class QComboBox;
class QHBoxLayout;
class QToolButton;

namespace qln::richtext {

class TRichEdit;

class TRichEditToolBar : public QWidget {
    Q_OBJECT
public:
    enum class Button {
        Normal,
        Bold,
        Italic,
        Underline,
        AlignLeft,
        AlignRight,
        AlignJustify,
        AlignCenter,
        Copy,
        Cut,
        Paste,
        SpellCheck,
    };

    explicit TRichEditToolBar(QWidget *parent = nullptr);
    ~TRichEditToolBar() override;

    // Binds the bar to `editor` (nullptr: to none).
    void setEditor(TRichEdit *editor);
    TRichEdit *editor() const { return editor_; }

    // The owner's buttons and widgets, after the bar's own.
    QToolButton *addButton(const QIcon &icon, const QString &hint, bool spacerBefore = true);
    void addWidget(QWidget *w, bool spacerBefore = true);

    QComboBox *fontNameBox() const { return fontName_; }
    QComboBox *fontSizeBox() const { return fontSize_; }
    QToolButton *button(Button b) const;

    // The sizes the size list offers, in points.
    static QList<int> fontSizes();

private:
    QToolButton *makeButton(Button b, const QIcon &icon, const QString &hint, bool checkable);
    void follow();
    void act(Button b, bool checked);
    void fontNameChosen(const QString &name);
    void fontSizeChosen(const QString &text);

    QPointer<TRichEdit> editor_;
    QList<QMetaObject::Connection> links_;
    QHBoxLayout *layout_;
    QComboBox *fontName_;
    QComboBox *fontSize_;
    QButtonGroup *alignGroup_;
    std::vector<QToolButton *> buttons_;
    bool following_ = false;
};

}  // namespace qln::richtext
