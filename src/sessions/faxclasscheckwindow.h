// TCheckFaxClassForm: the fax class window. When it is shown it runs the
// class check (faxclasscheck.h) and shows the three class labels, the
// recommendation (Class 2.0 in bold) and the status line; it can be left
// only with "Ok", which appears once the check is done.
#pragma once

#include "sessions/faxclasscheck.h"
#include "sessions/toolwindow.h"

class QLabel;

namespace qln {

class TCheckFaxClassForm : public ToolWindow {
    Q_OBJECT
public:
    TCheckFaxClassForm(TApdComPort &port, fax::TApdSendFax &fax, ClassCheckRequest request,
                       QWidget *parent = nullptr);

    const ClassCheckOutcome &outcome() const { return outcome_; }
    QLabel *classLabel(int index) const;  // 0 Class 1, 1 Class 2, 2 Class 2.0
    QString statusText() const;

    // Shows the window modally, runs the check and returns its outcome.
    static ClassCheckOutcome run(TApdComPort &port, fax::TApdSendFax &fax, const ClassCheckRequest &request,
                                 QWidget *parent = nullptr);

protected:
    void work() override;
    const char *doneCaption() const override;

private:
    void display(const FaxClassCheck &state);

    TApdComPort &port_;
    fax::TApdSendFax &fax_;
    ClassCheckRequest request_;
    QLabel *Class1Label = nullptr;
    QLabel *Class2Label = nullptr;
    QLabel *Class20Label = nullptr;
    QLabel *StatusLine = nullptr;
    ClassCheckOutcome outcome_;
};

} // namespace qln
