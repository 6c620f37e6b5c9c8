#include "compose/covereditor.h"

#include "compose/composehelp.h"
#include "compose/editortools.h"
#include "compose/richtoolbars.h"
#include "compose/windowplacement.h"
#include "richtext/richedit.h"
#include "richtext/richtoolbar.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace qln::compose {

namespace {
const char *const kPlacementClass = "TCoverEditor";
}

TCoverEditor::TCoverEditor(QWidget *parent)
    : EditorDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("CoverEditor"));
    setWindowTitle(QString::fromLatin1(texts::kCoverEditorCaption));
    resize(760, 620);
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Description"), this));
    CoverDescription = new QLineEdit(this);
    CoverDescription->setObjectName(QStringLiteral("CoverDescription"));
    CoverDescription->setMaxLength(kCoverDescriptionChars);
    CoverDescription->setToolTip(QStringLiteral("Enter a description for this cover sheet template here"));
    top->addWidget(CoverDescription, 1);
    InsertButton = new QPushButton(QStringLiteral("&Insert"), this);
    InsertButton->setObjectName(QStringLiteral("InsertButton"));
    InsertButton->setToolTip(
        QStringLiteral("Insert a field from the recipient data, or the current date and time"));
    InsertButton->setAutoDefault(false);
    top->addWidget(InsertButton);
    Zoombutton = new QToolButton(this);
    Zoombutton->setObjectName(QStringLiteral("Zoombutton"));
    top->addWidget(Zoombutton);
    layout->addLayout(top);

    WPCover = new richtext::TRichEdit(this);
    WPCover->setObjectName(QStringLiteral("WPCover"));
    WPToolBar1 = makeRichToolBar(*WPCover, this);
    WPToolBar1->setObjectName(QStringLiteral("WPToolBar1"));
    buttons_ = new EditorButtons(*WPCover, *WPToolBar1,
                                 {"CoverDocPageBreakButton", "CoverParagraphSetupbutton", "CoverDocWordWrapButton",
                                  "CoverDefFontbutton"},
                                 false, this);
    layout->addWidget(WPToolBar1);
    layout->addWidget(WPCover, 1);
    connectSpellCheck(*WPCover, this);

    InsertMenu = new QMenu(this);
    InsertMenu->setObjectName(QStringLiteral("InsertMenu"));
    for (int i = 0; i < richtext::mergeFieldCount(); ++i) {
        const richtext::MergeField &f = richtext::mergeFields()[i];
        const QString caption = QString::fromLatin1(f.menuCaption);
        InsertMenu->addAction(caption, this, [this, caption] { insertField(caption); });
    }
    connect(InsertButton, &QPushButton::clicked, this,
            [this] { InsertMenu->popup(InsertButton->mapToGlobal(QPoint(0, InsertButton->height()))); });
    zoom_ = new ZoomButton(*Zoombutton, QString(), [this] { return WPCover->zoom(); },
                           [this](int z) { WPCover->setZoom(z); });

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    OKbutton = new QPushButton(QStringLiteral("&Accept"), this);
    OKbutton->setObjectName(QStringLiteral("OKbutton"));
    OKbutton->setToolTip(QStringLiteral("Ok - save changes to this template"));
    OKbutton->setAutoDefault(false);
    CancelButton = new QPushButton(QStringLiteral("Cance&l"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setToolTip(QStringLiteral("Cancel - do not save changes to this template"));
    CancelButton->setAutoDefault(false);
    HelpButton = new QPushButton(QStringLiteral("&Help"), this);
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    HelpButton->setToolTip(QStringLiteral("Get Windows help for Cover Sheet Template Editor"));
    HelpButton->setAutoDefault(false);
    bottom->addWidget(OKbutton);
    bottom->addWidget(CancelButton);
    bottom->addWidget(HelpButton);
    layout->addLayout(bottom);
    connect(OKbutton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [] { openHelp(helpcontext::kCoverEditor); });

    restoreWindowPlacement(*this, kPlacementClass);
}

TCoverEditor::~TCoverEditor() = default;

void TCoverEditor::insertField(const QString &caption)
{
    const QString wanted = caption.toUpper();
    for (int i = 0; i < richtext::mergeFieldCount(); ++i) {
        const richtext::MergeField &f = richtext::mergeFields()[i];
        if (QString::fromLatin1(f.menuCaption).toUpper() == wanted) {
            WPCover->insertMergeField(f.tag);
            break;
        }
    }
    WPCover->setFocus();
}

void TCoverEditor::setDescription(const std::string &text)
{
    CoverDescription->setText(QString::fromStdString(text));
}

std::string TCoverEditor::description() const { return CoverDescription->text().toStdString(); }

richtext::RichDocument &TCoverEditor::document() { return WPCover->richDocument(); }

void TCoverEditor::setTypingAttributes(const richtext::CharAttributes &a) { WPCover->setCurrentAttributes(a); }

bool TCoverEditor::run(const EditorClose &close) { return runWith(close); }

void TCoverEditor::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (shown_)
        return;
    shown_ = true;
    WPCover->setPageLayout(richtext::PageLayout{});
    WPCover->reformat();
}

void TCoverEditor::changeEvent(QEvent *e)
{
    QDialog::changeEvent(e);
    // Only the first activation starts at the top: later ones come back
    // from this window's own dialogs and keep the user's place.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && !activated_) {
        activated_ = true;
        WPCover->reformat();
        WPCover->moveCaretToStart();
    }
}

void TCoverEditor::done(int r)
{
    saveWindowPlacement(*this, kPlacementClass);
    QDialog::done(r);
}

}  // namespace qln::compose
