#include "sessions/showerrorform.h"

#include "sessions/modemhelpers.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>

namespace qln {

namespace {

constexpr int kMemoWidth = 480;

int g_autoCloseOverrideMs = 0;
TShowErrorForm *g_current = nullptr;

// The memo shows the text with plain line feeds.
QString memoText(const std::string &text)
{
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

}  // namespace

TShowErrorForm::TShowErrorForm(const ErrorWindowRequest &request, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), rules_(request)
{
    setObjectName(QStringLiteral("ShowErrorForm"));
    setWindowTitle(QString::fromStdString(request.caption));
    auto *layout = new QVBoxLayout(this);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setFrameShape(QFrame::NoFrame);
    Memo->setBackgroundRole(QPalette::Window);
    Memo->viewport()->setAutoFillBackground(false);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo->setPlainText(memoText(request.text));
    layout->addWidget(Memo);

    // Each memo row is counted at the taller of "Wj" and the font's line
    // spacing, so that every line of the text is visible without scrolling.
    const QFontMetrics fm(Memo->font());
    const int rowHeight = std::max(fm.boundingRect(QStringLiteral("Wj")).height(), fm.lineSpacing());
    const int margin = int(Memo->document()->documentMargin());
    const int textWidth = kMemoWidth - 2 * margin;
    memoRows_ = rules_.memoRows([&](const std::string &line) {
        const QRect r = fm.boundingRect(QRect(0, 0, textWidth, INT_MAX), Qt::TextWordWrap,
                                        QString::fromStdString(line));
        return (r.height() + fm.lineSpacing() - 1) / fm.lineSpacing();
    });
    Memo->setFixedSize(kMemoWidth, memoRows_ * rowHeight + 2 * margin);

    SolverNote = new QLabel(QString::fromLatin1(ErrorWindowRules::kSolverNote), this);
    SolverNote->setObjectName(QStringLiteral("SolverNote"));
    SolverNote->setWordWrap(false);
    layout->addWidget(SolverNote);

    auto *row = new QHBoxLayout;
    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    HelpButton = new QPushButton(QStringLiteral("Technical Help"), this);
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    HelpButton->setToolTip(QString::fromLatin1(ErrorWindowRules::kHelpHint));
    HelpButton->setAutoDefault(false);
    ContinueButton = new QPushButton(QStringLiteral("Continue"), this);
    ContinueButton->setObjectName(QStringLiteral("ContinueButton"));
    ContinueButton->setEnabled(rules_.continueEnabled());
    ContinueButton->setAutoDefault(false);
    row->addWidget(OkButton);
    row->addStretch(1);
    row->addWidget(HelpButton);
    row->addWidget(ContinueButton);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OkButton, &QPushButton::clicked, this, [this] { finish(ErrorWindowResult::Ok); });
    connect(ContinueButton, &QPushButton::clicked, this, [this] { finish(ErrorWindowResult::Continue); });
    connect(HelpButton, &QPushButton::clicked, this, [] { TechnicalHelp(); });

    AutoCloseTimer = new QTimer(this);
    AutoCloseTimer->setSingleShot(true);
    connect(AutoCloseTimer, &QTimer::timeout, this, [this] { finish(ErrorWindowResult::Ok); });
}

TShowErrorForm::~TShowErrorForm()
{
    if (g_current == this)
        g_current = nullptr;
}

void TShowErrorForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (int ms = rules_.autoCloseMs(); ms > 0 && !AutoCloseTimer->isActive())
        AutoCloseTimer->start(g_autoCloseOverrideMs > 0 ? g_autoCloseOverrideMs : ms);
}

bool TShowErrorForm::autoCloseRunning() const { return AutoCloseTimer->isActive(); }

void TShowErrorForm::finish(ErrorWindowResult r)
{
    outcome_ = r;
    done(r == ErrorWindowResult::Continue ? 2 : QDialog::Accepted);
}

// The close box and Escape count as OK; closing stops the auto-close timer.
void TShowErrorForm::done(int r)
{
    AutoCloseTimer->stop();
    if (r == QDialog::Rejected)
        outcome_ = ErrorWindowResult::Ok;
    QDialog::done(r);
}

void TShowErrorForm::setAutoCloseMsOverride(int ms) { g_autoCloseOverrideMs = ms; }

TShowErrorForm *TShowErrorForm::current() { return g_current; }

ErrorWindowResult TShowErrorForm::run(const ErrorWindowRequest &request, QWidget *parent)
{
    ErrorWindowSlot slot;
    if (!slot.held())
        return ErrorWindowResult::Dropped;
    TShowErrorForm form(request, parent);
    TShowErrorForm *previous = g_current;
    g_current = &form;
    form.exec();
    g_current = previous;
    return form.outcome();
}

void TShowErrorForm::ShowError(const std::string &caption, const std::string &text, bool autoClose,
                               QWidget *parent)
{
    run({caption, text, false, autoClose}, parent);
}

bool TShowErrorForm::AskError(const std::string &caption, const std::string &text, bool autoClose,
                              QWidget *parent)
{
    return ErrorWindowRules::continued(run({caption, text, true, autoClose}, parent));
}

}  // namespace qln
