// The "Configuration Information" window: shows the configuration report
// as plain text, copies it to the clipboard and saves it as a text file.
// The report itself is collected by the caller (configreport.h); the window
// only shows it. User-interface thread only.
#pragma once

#include <QDialog>

#include <string>

class QPlainTextEdit;
class QPushButton;

namespace qln {

inline constexpr const char *kConfigReportCaption = "Configuration Information";

class ConfigReportWindow : public QDialog {
    Q_OBJECT
public:
    explicit ConfigReportWindow(const std::string &reportText, QWidget *parent = nullptr);

    QString reportText() const;
    void copyToClipboard() const;
    // Writes the report to path (complete or not at all); false with the reason.
    bool saveTo(const QString &path, QString &error) const;

private:
    void saveAs();

    QPlainTextEdit *text_ = nullptr;
    QPushButton *copy_ = nullptr;
    QPushButton *save_ = nullptr;
    QPushButton *close_ = nullptr;
};

} // namespace qln
