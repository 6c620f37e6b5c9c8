// TModemInitStringHelperForm: builds a modem initialisation string from the
// kind of modem (initstringhelper.h). "Ok" returns the built string,
// "Cancel" the current one unchanged, "Leave it Blank" an empty string.
#pragma once

#include "sessions/initstringhelper.h"

#include <QDialog>

#include <string>

class QButtonGroup;
class QCheckBox;
class QLabel;

namespace qln {

class TModemInitStringHelperForm : public QDialog {
    Q_OBJECT
public:
    TModemInitStringHelperForm(const std::string &current, bool hangUpOffered, QWidget *parent = nullptr);

    // The string to use once the window is closed.
    std::string result() const { return result_; }
    InitStringHelper &helper() { return helper_; }
    QCheckBox *hangUpBox() const { return CheckAT7; }

    // Shows the window modally and returns the string to use.
    static std::string run(const std::string &current, bool hangUpOffered, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    InitStringHelper helper_;
    std::string result_;
    QButtonGroup *Kinds = nullptr;
    QCheckBox *CheckAT7 = nullptr;
    QLabel *HangUpText = nullptr;
};

} // namespace qln
