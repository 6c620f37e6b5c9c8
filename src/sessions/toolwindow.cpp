#include "sessions/toolwindow.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QPushButton>
#include <QTimer>

namespace qln {

ToolWindow::ToolWindow(const char *caption, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

void ToolWindow::addOkRow()
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    Ok = new QPushButton("Ok", this);
    Ok->setObjectName("Ok");
    Ok->setVisible(false);
    connect(Ok, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(Ok);
    if (auto *box = qobject_cast<QBoxLayout *>(layout()))
        box->addLayout(row);
}

void ToolWindow::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, &ToolWindow::run);
    }
}

void ToolWindow::reject()
{
    if (done_)
        QDialog::reject();
}

void ToolWindow::closeEvent(QCloseEvent *e)
{
    if (!done_)
        e->ignore();
    else
        QDialog::closeEvent(e);
}

void ToolWindow::run()
{
    Ok->setVisible(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    work();
    QApplication::restoreOverrideCursor();
    Ok->setVisible(true);
    Ok->setDefault(true);
    setWindowTitle(doneCaption());
    done_ = true;
}

} // namespace qln
