#include "sessions/faxclasscheckwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace qln {

namespace {

// Carriage returns in the library's texts are line breaks on screen.
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
    : QDialog(parent), port_(port), fax_(fax), request_(std::move(request))
{
    setObjectName("TCheckFaxClassForm");
    setWindowTitle(faxclass::kCaptionBusy);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
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
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    Ok = new QPushButton("Ok", this);
    Ok->setObjectName("Ok");
    Ok->setVisible(false);
    connect(Ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(Ok);
    layout->addLayout(buttons);
    setMinimumWidth(440);
}

QLabel *TCheckFaxClassForm::classLabel(int index) const
{
    return index == 0 ? Class1Label : index == 1 ? Class2Label : Class20Label;
}

QString TCheckFaxClassForm::statusText() const { return StatusLine->text(); }

void TCheckFaxClassForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, &TCheckFaxClassForm::check);
    }
}

void TCheckFaxClassForm::reject()
{
    if (done_)
        QDialog::reject();
}

void TCheckFaxClassForm::closeEvent(QCloseEvent *e)
{
    if (!done_)
        e->ignore();
    else
        QDialog::closeEvent(e);
}

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

void TCheckFaxClassForm::check()
{
    Ok->setVisible(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FaxClassCheck checker(port_, fax_, request_);
    checker.onChange = [this, &checker] { display(checker); };
    outcome_ = checker.run();
    display(checker);
    QApplication::restoreOverrideCursor();
    Ok->setVisible(true);
    Ok->setDefault(true);
    setWindowTitle(faxclass::kCaptionDone);
    done_ = true;
}

ClassCheckOutcome TCheckFaxClassForm::run(TApdComPort &port, fax::TApdSendFax &fax, const ClassCheckRequest &request,
                                          QWidget *parent)
{
    TCheckFaxClassForm form(port, fax, request, parent);
    form.exec();
    return form.outcome();
}

} // namespace qln
