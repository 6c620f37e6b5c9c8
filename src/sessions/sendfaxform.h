// TSendFaxForm: the send window ("Send Fax"). Shows whom the fax goes to,
// lets the user check the number, the dial prefix and suffix, and starts an
// attempt with "&Send Fax Now"; the fax status window shows the call and
// the error window reports failures. Several attempts can be made before
// "C&lose". The attempt itself is SendFaxJob's: the window only collects
// the edits and shows the status line and the cursor.
//
// Modal, created for one use by the send command, which reads lastResult(),
// attempted() and the edits once it has closed. User-interface thread only.
#pragma once

#include "sessions/faxstatusdisplay.h"
#include "sessions/sendfaxjob.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace qln {

class TSendFaxForm : public QDialog, private SendFaxView {
    Q_OBJECT
public:
    static constexpr int kHelpTopic = 1016;
    static constexpr int kMaxPhoneNumber = 25;

    TSendFaxForm(Settings &settings, const std::string &faxFile, const std::string &dataDir,
                 QWidget *parent = nullptr);
    ~TSendFaxForm() override;

    // Filled by the send command before the window is shown.
    void setRecipient(const QString &recipient);
    void setSubject(const QString &subject);
    // Shown in the number edit when the window is first activated.
    void setPhoneNumber(const QString &phone) { phoneNumber_ = phone; }
    void setDialPrefix(const QString &prefix);
    void setDialSuffix(const QString &suffix);
    void setPrefixDisabled(bool on);
    void setSuffixDisabled(bool on);

    SendFaxJob &job() { return job_; }
    TApdFaxStatus &statusDisplay() { return ApdFaxStatus1; }
    std::string lastResult() const { return job_.lastResult(); }
    bool attempted() const { return job_.attempted(); }
    // The edits as they stand.
    SendFaxInputs inputs() const;

    QLineEdit *phoneEdit() const { return sfPhoneNumber; }
    QLineEdit *prefixEdit() const { return sfDialPrefix; }
    QLineEdit *suffixEdit() const { return sfDialsuffix; }
    QCheckBox *prefixCheck() const { return DisablePrefix; }
    QCheckBox *suffixCheck() const { return DisableSuffix; }
    QPushButton *sendButton() const { return SendFaxButton; }
    QPushButton *closeButton() const { return CloseButton; }
    QLabel *statusLabel() const { return status; }
    QLabel *toLabel() const { return ToLabel; }
    QLabel *subjectLabel() const { return Subjectlabel; }
    // The tip button of a panel row (0..5).
    QPushButton *tipButton(int index) const;

public slots:
    void SendFaxButtonClick();
    void CloseButtonClick();
    // Escape closes like "C&lose".
    void reject() override;

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    // SendFaxView
    void setStatusLine(const std::string &text) override;
    void hideStatusLine() override;
    void setBusyCursor(bool busy) override;
    void focusPhoneNumber() override;
    void processMessages() override;
    void attemptEnded() override;

    void buildTips(QVBoxLayout *layout);
    void showTip(int index);

    SendFaxJob job_;
    TApdFaxStatus ApdFaxStatus1;
    QString phoneNumber_;
    bool firstActivation_ = true;
    bool cursorBusy_ = false;

    QLabel *ToLabel = nullptr;
    QLabel *Subjectlabel = nullptr;
    QLineEdit *sfPhoneNumber = nullptr;
    QLineEdit *sfDialPrefix = nullptr;
    QLineEdit *sfDialsuffix = nullptr;
    QCheckBox *DisablePrefix = nullptr;
    QCheckBox *DisableSuffix = nullptr;
    QPushButton *SendFaxButton = nullptr;
    QLabel *status = nullptr;
    QPushButton *HelpButton = nullptr;
    QPushButton *TechHelpButton = nullptr;
    QPushButton *CloseButton = nullptr;
    std::vector<QPushButton *> tipButtons_;
};

}  // namespace qln
