// The condition window of the clean-up: choose FROM, RECIPIENT or FAX #,
// give the text, and whether it must match exactly. Ok closes the window
// only when the accept check (CleanupActions::acceptConditions) agrees.
// Modal, created for one use; user-interface thread only.
#pragma once

#include "app/cleanupactions.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qln {

class TDeleteForConditions : public QDialog {
    Q_OBJECT
public:
    using AcceptCheck = std::function<bool(const std::string &text)>;

    explicit TDeleteForConditions(QWidget *parent = nullptr);

    // Which choice is made and enabled, and the texts the fields start with.
    void setup(const ConditionsSetup &setup);
    void setAcceptCheck(AcceptCheck check) { check_ = std::move(check); }

    records::MatchField chosen() const;
    // Text of the chosen field.
    std::string text() const;
    bool exact() const;

    QRadioButton *choice(records::MatchField field) const;
    QLineEdit *edit(records::MatchField field) const;
    QCheckBox *exactBox() const { return ExactMatch; }
    QPushButton *okButton() const { return OkButton; }

public slots:
    void OkButtonClick();

private:
    QRadioButton *FromChoice = nullptr, *RecipientChoice = nullptr, *PhoneChoice = nullptr;
    QLineEdit *FromEdit = nullptr, *RecipientEdit = nullptr, *PhoneEdit = nullptr;
    QCheckBox *ExactMatch = nullptr;
    QPushButton *OkButton = nullptr, *CancelButton = nullptr;
    AcceptCheck check_;
};

}  // namespace qln
