#include "sessions/faxclasscheckwindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace qln {

namespace {

// Carriage returns in the check's texts are line breaks on screen.
QString onScreen(const std::string &text)
{
    QString s = QString::fromStdString(text);
    s.replace("\r\n", "\n");
    s.replace('\r', '\n');
    return s;
}

} // namespace

TCheckFaxClassForm::TCheckFaxClassForm(TApdComPort &port, fax::TApdSendFax &fax, ClassCheckRequest request,
                                       QWidget *parent)
    : ToolWindow(faxclass::kCaptionBusy, parent), port_(port), fax_(fax), request_(std::move(request))
{
    setObjectName("TCheckFaxClassForm");
    auto *layout = new QVBoxLayout(this);
    auto *classes = new QGroupBox(faxclass::kClassesTitle, this);
    auto *classesLayout = new QVBoxLayout(classes);
    Class1Label = new QLabel("Class 1 :", classes);
    Class2Label = new QLabel("Class 2 :", classes);
    Class20Label = new QLabel("Class 2.0 :", classes);
    Class1Label->setObjectName("Class1Label");
    Class2Label->setObjectName("Class2Label");
    Class20Label->setObjectName("Class20Label");
    for (QLabel *l : {Class1Label, Class2Label, Class20Label}) {
        // The labels line up their colons with blanks.
        QFont f("Monospace");
        f.setStyleHint(QFont::TypeWriter);
        l->setFont(f);
        classesLayout->addWidget(l);
    }
    layout->addWidget(classes);
    StatusLine = new QLabel(faxclass::kTesting, this);
    StatusLine->setObjectName("StatusLine");
    StatusLine->setWordWrap(true);
    StatusLine->setMinimumHeight(70);
    StatusLine->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(StatusLine);
    addOkRow();
    setMinimumWidth(480);
}

QLabel *TCheckFaxClassForm::classLabel(int index) const
{
    return index == 0 ? Class1Label : index == 1 ? Class2Label : Class20Label;
}

QString TCheckFaxClassForm::statusText() const { return StatusLine->text(); }
const char *TCheckFaxClassForm::doneCaption() const { return faxclass::kCaptionDone; }

void TCheckFaxClassForm::display(const FaxClassCheck &state)
{
    Class1Label->setText(QString::fromStdString(state.class1Label()));
    Class2Label->setText(QString::fromStdString(state.class2Label()));
    Class20Label->setText(QString::fromStdString(state.class20Label()));
    QFont f = Class20Label->font();
    f.setBold(state.class20Bold());
    Class20Label->setFont(f);
    StatusLine->setText(onScreen(state.status()));
    repaint();
}

void TCheckFaxClassForm::work()
{
    FaxClassCheck checker(port_, fax_, request_);
    checker.onChange = [this, &checker] { display(checker); };
    outcome_ = checker.run();
    display(checker);
}

ClassCheckOutcome TCheckFaxClassForm::run(TApdComPort &port, fax::TApdSendFax &fax, const ClassCheckRequest &request,
                                          QWidget *parent)
{
    TCheckFaxClassForm form(port, fax, request, parent);
    form.exec();
    return form.outcome();
}

} // namespace qln
