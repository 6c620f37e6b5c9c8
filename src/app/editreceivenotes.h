// The notes window for a received fax: shows "From: <sender>" and lets the
// user edit the fax's notes (at most 60 characters). Accept closes with
// result 1, Cancel and Escape with result 2. Modal, created for one use.
// User-interface thread only.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qln {

class TEditReceiveNotes : public QDialog {
    Q_OBJECT
public:
    static constexpr int kAccepted = 1;
    static constexpr int kCancelled = 2;
    static constexpr int kMaxNotes = 60;

    explicit TEditReceiveNotes(QWidget *parent = nullptr);

    void setDescription(const QString &text);
    QString description() const;
    void setNotes(const QString &notes);
    QString notes() const;

    QLineEdit *notesEdit() const { return Notes; }
    QPushButton *acceptButton() const { return AcceptButton; }
    QPushButton *cancelButton() const { return CancelButton; }

public slots:
    void reject() override;

private:
    QLabel *Descript = nullptr;
    QLineEdit *Notes = nullptr;
    QPushButton *AcceptButton = nullptr;
    QPushButton *CancelButton = nullptr;
};

}  // namespace qln
