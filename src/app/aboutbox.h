// The about box: program name, build word size and version text, closed by
// its OK button. Modal, created for one use. User-interface thread only.
#pragma once

#include <QDialog>

class QLabel;

namespace qln {

class TSplashform : public QDialog {
    Q_OBJECT
public:
    explicit TSplashform(QWidget *parent = nullptr);

    QString versionLine() const;

private:
    QLabel *version_ = nullptr;
};

}  // namespace qln
