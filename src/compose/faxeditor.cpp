#include "compose/faxeditor.h"

#include "common/messages.h"
#include "compose/composehelp.h"
#include "compose/coverbrowse.h"
#include "compose/coverlibrary.h"
#include "compose/editortools.h"
#include "compose/modal.h"
#include "compose/phonebook.h"
#include "compose/richtoolbars.h"
#include "compose/windowplacement.h"
#include "richtext/richedit.h"
#include "richtext/richtoolbar.h"

#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace qln::compose {

namespace {
const char *const kPlacementClass = "TFaxEditor";

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QString &hint = {})
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}
}  // namespace

void TEnterEdit::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        focusNextChild();
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void TEnterEdit::mousePressEvent(QMouseEvent *e)
{
    const bool select = holdsDesignText();
    QLineEdit::mousePressEvent(e);
    if (select)
        selectAll();
    selectOnRelease_ = select;
}

void TEnterEdit::mouseReleaseEvent(QMouseEvent *e)
{
    QLineEdit::mouseReleaseEvent(e);
    // A small movement between press and release would select part of it.
    if (selectOnRelease_ && holdsDesignText())
        selectAll();
    selectOnRelease_ = false;
}

TFaxEditor::TFaxEditor(FaxComposer &composer, records::FaxTables &tables, QWidget *parent)
    : EditorDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      composer_(composer), tables_(tables)
{
    setObjectName(QStringLiteral("FaxEditor"));
    setWindowTitle(QString::fromLatin1(texts::kFaxEditorCaption));
    resize(800, 640);
    auto *layout = new QVBoxLayout(this);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(buildRecipientPage(), QStringLiteral("Recipient"));
    PageControl1->addTab(buildEditorPage(WPCover, WPToolCover, true), QStringLiteral("Cover Sheet"));
    PageControl1->addTab(buildEditorPage(WPDoc, WPToolDoc, false), QStringLiteral("Fax Document"));
    layout->addWidget(PageControl1, 1);

    auto *bottom = new QHBoxLayout;
    Zoombutton = new QToolButton(this);
    Zoombutton->setObjectName(QStringLiteral("Zoombutton"));
    zoom_ = new ZoomButton(*Zoombutton, QStringLiteral("Zoom: "), [this] { return activeEditor()->zoom(); },
                           [this](int z) { activeEditor()->setZoom(z); });
    EditNotesButton = makeButton(this, "EditNotesButton", QStringLiteral("Read Me First"));
    QPushButton *ok = makeButton(this, "OKButton", QStringLiteral("&Accept"));
    QPushButton *cancel = makeButton(this, "CancelButton", QStringLiteral("Cance&l"));
    QPushButton *help = makeButton(this, "Helpbutton", QStringLiteral("&Help"));
    bottom->addWidget(Zoombutton);
    bottom->addWidget(EditNotesButton);
    bottom->addStretch(1);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    bottom->addWidget(help);
    layout->addLayout(bottom);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] { openHelp(helpcontext::kFaxEditor); });
    connect(EditNotesButton, &QPushButton::clicked, this, &TFaxEditor::EditNotesButtonClick);
    connect(PageControl1, &QTabWidget::currentChanged, this, &TFaxEditor::PageControl1Change);

    PageControl1Change();
    showAttachment();
    restoreWindowPlacement(*this, kPlacementClass);
}

TFaxEditor::~TFaxEditor() = default;

QWidget *TFaxEditor::buildRecipientPage()
{
    auto *page = new QWidget(this);
    auto *outer = new QVBoxLayout(page);
    auto *form = new QFormLayout;
    auto edit = [&](TEnterEdit *&e, const char *name, const char *design, int chars, const char *hint) {
        e = new TEnterEdit(page);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(chars);
        e->setText(QString::fromLatin1(design));
        e->setDesignText(QString::fromLatin1(design));
        e->setToolTip(QString::fromLatin1(hint));
        e->setMinimumWidth(e->fontMetrics().averageCharWidth() * (chars + 4));
    };
    const FaxFields design;
    edit(Recipient, "Recipient", design.recipient.c_str(), kRecipientChars, "Enter recipient name here");
    edit(FaxNumber, "FaxNumber", design.faxNumber.c_str(), kFaxNumberChars, "Enter recipient fax number here");
    edit(Subject, "Subject", design.subject.c_str(), kSubjectChars, "Enter subject (topic) of fax here");
    QPushButton *address = makeButton(page, "AddressButton", QStringLiteral("&Phonebook"),
                                      QStringLiteral("Pick the recipient from the phone book"));
    auto *recipientRow = new QHBoxLayout;
    recipientRow->addWidget(Recipient);
    recipientRow->addWidget(address);
    recipientRow->addStretch(1);
    form->addRow(QStringLiteral("Recipient"), recipientRow);
    form->addRow(QStringLiteral("Fax Number"), FaxNumber);
    form->addRow(QStringLiteral("Subject"), Subject);
    outer->addLayout(form);
    outer->addStretch(1);
    // The phonebook button sits beside the recipient and comes right after
    // it, as it fills in the fax number that follows.
    setTabOrder(Recipient, address);
    setTabOrder(address, FaxNumber);
    setTabOrder(FaxNumber, Subject);
    connect(address, &QPushButton::clicked, this, &TFaxEditor::AddressButtonClick);
    return page;
}

QWidget *TFaxEditor::buildEditorPage(richtext::TRichEdit *&editor, richtext::TRichEditToolBar *&bar, bool cover)
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    editor = new richtext::TRichEdit(page);
    editor->setObjectName(QString::fromLatin1(cover ? "WPCover" : "WPDoc"));
    bar = makeRichToolBar(*editor, page);
    bar->setObjectName(QString::fromLatin1(cover ? "WPToolCover" : "WPToolDoc"));
    if (cover) {
        coverButtons_ = new EditorButtons(*editor, *bar,
                                          {"CoverDocPageBreakButton", "CoverParagraphSetupbutton",
                                           "CoverDocWordWrapButton", "CoverDefFontbutton"},
                                          true, this);
        auto *load = new QToolButton(bar);
        load->setObjectName(QStringLiteral("LoadCoverButton"));
        load->setText(QStringLiteral("  Load &Template"));
        load->setToolTip(QStringLiteral("Load a cover sheet template"));
        load->setToolButtonStyle(Qt::ToolButtonTextOnly);
        load->setAutoRaise(true);
        bar->addWidget(load);
        connect(load, &QToolButton::clicked, this, &TFaxEditor::LoadCoverButtonClick);
    } else {
        docButtons_ = new EditorButtons(*editor, *bar,
                                        {"DocPageBreakButton", "ParagraphSetupButton", "DocWordWrapButton",
                                         "DocDefFontbutton"},
                                        true, this);
    }
    connectSpellCheck(*editor, this);
    layout->addWidget(bar);
    if (!cover) {
        auto *row = new QHBoxLayout;
        AttachmentLabel = new QLabel(page);
        AttachmentLabel->setObjectName(QStringLiteral("AttachmentLabel"));
        RemoveAttachmentButton = new QToolButton(page);
        RemoveAttachmentButton->setObjectName(QStringLiteral("RemoveAttachmentButton"));
        RemoveAttachmentButton->setText(QStringLiteral("&Remove"));
        // Beside the tool bar's own buttons: a document file instead of the
        // text.
        auto *attach = new QToolButton(page);
        attach->setObjectName(QStringLiteral("AttachDocumentButton"));
        attach->setText(QStringLiteral("Attach P&DF/TIFF..."));
        attach->setToolTip(QStringLiteral("Send a PDF or TIFF file as the fax document"));
        connect(attach, &QToolButton::clicked, this, &TFaxEditor::AttachDocumentClick);
        row->addWidget(attach);
        row->addWidget(AttachmentLabel, 1);
        row->addWidget(RemoveAttachmentButton);
        layout->addLayout(row);
        connect(RemoveAttachmentButton, &QToolButton::clicked, this, &TFaxEditor::RemoveAttachmentClick);
    }
    layout->addWidget(editor, 1);
    return page;
}

QPushButton *TFaxEditor::button(const char *objectName) const
{
    return findChild<QPushButton *>(QString::fromLatin1(objectName));
}

richtext::TRichEdit *TFaxEditor::activeEditor() const
{
    return PageControl1->currentIndex() == DocumentPage ? WPDoc : WPCover;
}

// ---- FaxEditorSurface ---------------------------------------------------------

FaxFields TFaxEditor::fields() const
{
    FaxFields f;
    f.recipient = Recipient->text().toStdString();
    f.faxNumber = FaxNumber->text().toStdString();
    f.subject = Subject->text().toStdString();
    return f;
}

void TFaxEditor::setFields(const FaxFields &f)
{
    Recipient->setText(QString::fromStdString(f.recipient));
    FaxNumber->setText(QString::fromStdString(f.faxNumber));
    Subject->setText(QString::fromStdString(f.subject));
}

richtext::RichDocument &TFaxEditor::cover() { return WPCover->richDocument(); }
richtext::RichDocument &TFaxEditor::document() { return WPDoc->richDocument(); }

void TFaxEditor::setTypingAttributes(const richtext::CharAttributes &a)
{
    WPCover->setCurrentAttributes(a);
    WPDoc->setCurrentAttributes(a);
}

bool TFaxEditor::run(const EditorClose &close) { return runWith(close); }

// ---- Commands -------------------------------------------------------------------

void TFaxEditor::AddressButtonClick()
{
    PhoneBookLogic book(tables_);
    if (!book.open())
        return;
    TPhoneBook browser(book, this);
    browser.setPickMode(true);
    if (runModal(browser) != QDialog::Accepted)
        return;
    Recipient->setText(QString::fromStdString(book.pickedName()));
    FaxNumber->setText(QString::fromStdString(book.pickedNumber()));
}

void TFaxEditor::LoadCoverButtonClick()
{
    if (!tables_.OpenCoverDBF()) {
        messages().information(texts::kCoverTableFailed);
        return;
    }
    {
        CoverLibrary library(tables_);
        TCoverBrowse browser(library, this);
        browser.setPickMode(true);
        if (runModal(browser) == QDialog::Accepted && composer_.loadTemplate(library, *this)) {
            WPCover->moveCaretToStart();
            WPCover->reformat();
        }
    }
    tables_.CoverTable.Close();
}

void TFaxEditor::EditNotesButtonClick()
{
    TFaxEditorNotes notes(this);
    runModal(notes);
}

void TFaxEditor::AttachDocumentClick()
{
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Attach a document"), QString(),
                                                      QStringLiteral("PDF or TIFF files (*.pdf *.tif *.tiff)"));
    if (file.isEmpty())
        return;
    if (FaxComposer::attachDocument(*this, file.toStdString()))
        showAttachment();
}

void TFaxEditor::RemoveAttachmentClick()
{
    FaxComposer::attachDocument(*this, {});
    showAttachment();
}

void TFaxEditor::showAttachment()
{
    const std::string text = FaxComposer::attachmentText(*this);
    // The label stays (empty) without an attachment, keeping the button at
    // the left.
    AttachmentLabel->setText(QString::fromStdString(text));
    RemoveAttachmentButton->setVisible(!text.empty());
    WPDoc->setReadOnly(!text.empty());
}

void TFaxEditor::PageControl1Change()
{
    const bool editorPage = PageControl1->currentIndex() != RecipientPage;
    Zoombutton->setVisible(editorPage);
    EditNotesButton->setVisible(editorPage);
    if (editorPage)
        zoom_->showZoom(activeEditor()->zoom());
}

// ---- Life cycle -------------------------------------------------------------------

void TFaxEditor::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (shown_)
        return;
    shown_ = true;
    showAttachment(); // the composer may have attached the record's document
    for (richtext::TRichEdit *ed : {WPCover, WPDoc}) {
        ed->setPageLayout(richtext::PageLayout{});
        ed->reformat();
    }
}

void TFaxEditor::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    // The first activation starts on the Recipient page with the carets at
    // the top and the focus in Subject. Later activations come back from
    // this window's own dialogs (page break question, paragraph dialog,
    // phonebook) and leave the page and carets where the user was.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && !activated_) {
        activated_ = true;
        PageControl1->setCurrentIndex(RecipientPage);
        for (richtext::TRichEdit *ed : {WPCover, WPDoc}) {
            ed->reformat();
            ed->moveCaretToStart();
        }
        Subject->setFocus();
        // Typing replaces a design text, as after Tab.
        if (Subject->holdsDesignText())
            Subject->selectAll();
    }
}

void TFaxEditor::done(int r)
{
    saveWindowPlacement(*this, kPlacementClass);
    QDialog::done(r);
}

// ---- Read Me First ------------------------------------------------------------------

TFaxEditorNotes::TFaxEditorNotes(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FaxEditorNotes"));
    setWindowTitle(QStringLiteral("Notes on Fax Editor"));
    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(QStringLiteral("Quick Notes on using the Fax Editor"), this);
    QFont f = heading->font();
    f.setBold(true);
    heading->setFont(f);
    layout->addWidget(heading);
    for (const char *note :
         {"Copying text from a word processor and pasting it into the editor does not work reliably: the "
          "editor supports only a subset of rich text, so some formatting may be lost or changed.",
          "Pictures are not supported in the cover sheet or the fax document."}) {
        auto *l = new QLabel(QStringLiteral("\u2022 ") + QString::fromUtf8(note), this);
        l->setWordWrap(true);
        layout->addWidget(l);
    }
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    layout->addLayout(row);
    setMinimumWidth(420);
}

}  // namespace qln::compose
