// TPhoneBookEditor, "Phone Book Editor": the name (at most 35 characters)
// and fax number (at most 25) of one phonebook entry. Values are not
// checked; empty values are stored as they are. Accept closes with result
// OK, Cancel and Escape with result cancel. No system menu. Modal, created
// for one use. User-interface thread only.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace qln::compose {

class TPhoneBookEditor : public QDialog {
    Q_OBJECT
public:
    explicit TPhoneBookEditor(QWidget *parent = nullptr);

    void setEntry(const QString &name, const QString &number);
    QString name() const;
    QString number() const;

    QLineEdit *nameEdit() const { return Name; }
    QLineEdit *numberEdit() const { return Number; }
    QPushButton *okButton() const { return OKButton; }
    QPushButton *cancelButton() const { return Cancelbutton; }

private:
    QLineEdit *Name = nullptr;
    QLineEdit *Number = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *Cancelbutton = nullptr;
    QPushButton *Helpbutton = nullptr;
};

}  // namespace qln::compose
