// TCheckFaxClassForm: the fax class window. When it is shown it runs the
// class check (faxclasscheck.h) and shows the three class labels, the
// recommendation (Class 2.0 in bold) and the status line; it can be left
// only with "Ok", which appears once the check is done. No system menu.
#pragma once

#include "sessions/faxclasscheck.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace qln {

class TCheckFaxClassForm : public QDialog {
    Q_OBJECT
public:
    TCheckFaxClassForm(TApdComPort &port, fax::TApdSendFax &fax, ClassCheckRequest request,
                       QWidget *parent = nullptr);

    const ClassCheckOutcome &outcome() const { return outcome_; }
    bool done() const { return done_; }
    QLabel *classLabel(int index) const;  // 0 Class 1, 1 Class 2, 2 Class 2.0
    QString statusText() const;
    QPushButton *okButton() const { return Ok; }

    // Shows the window modally, runs the check and returns its outcome.
    static ClassCheckOutcome run(TApdComPort &port, fax::TApdSendFax &fax, const ClassCheckRequest &request,
                                 QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *e) override;
    void reject() override;
    void closeEvent(QCloseEvent *e) override;

private:
    void check();
    void display(const FaxClassCheck &state);

    TApdComPort &port_;
    fax::TApdSendFax &fax_;
    ClassCheckRequest request_;
    QLabel *Class1Label = nullptr;
    QLabel *Class2Label = nullptr;
    QLabel *Class20Label = nullptr;
    QLabel *StatusLine = nullptr;
    QPushButton *Ok = nullptr;
    ClassCheckOutcome outcome_;
    bool started_ = false;
    bool done_ = false;
};

} // namespace qln
