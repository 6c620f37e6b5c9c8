// The rebuild window: "Please wait..." and a progress line while the index
// rebuild runs. The rebuild starts when the window is first shown; each
// progress text is shown with pending events allowed to run; whatever
// happens, the window then closes itself. It cannot be closed while the
// rebuild runs. Modal, created for one use; user-interface thread only.
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <string>

class QLabel;

namespace qln {

class TRebuildInd : public QDialog {
    Q_OBJECT
public:
    using Progress = std::function<void(const std::string &text)>;
    // The rebuild: reports each step through progress, true on success.
    using Job = std::function<bool(const Progress &progress)>;

    explicit TRebuildInd(Job job, QWidget *parent = nullptr);

    bool running() const { return running_; }
    bool finished() const { return finished_; }
    bool succeeded() const { return succeeded_; }
    QString progressText() const;
    // Every progress text shown, in order.
    const QStringList &shownTexts() const { return shown_; }

public slots:
    void reject() override;

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void FormActivate();
    void showProgress(const std::string &text);

    Job job_;
    QLabel *WaitLabel = nullptr;
    QLabel *ProgressLine = nullptr;
    QStringList shown_;
    bool started_ = false, running_ = false, finished_ = false, succeeded_ = false;
};

}  // namespace qln
