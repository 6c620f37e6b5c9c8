#include "app/qtmessages.h"

#include "app/commandrules.h"
#include "sessions/showerrorform.h"

#include <QApplication>
#include <QMessageBox>

namespace qln {

QString QtMessages::displayText(const std::string &text)
{
    QString s = QString::fromStdString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

QWidget *QtMessages::parentWindow()
{
    QWidget *w = QApplication::activeWindow();
    return w ? w : nullptr;
}

void QtMessages::information(const std::string &text)
{
    QMessageBox::information(parentWindow(), QString::fromLatin1(kInformationCaption),
                             displayText(text));
}

void QtMessages::message(const std::string &text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(texts::kApplicationTitle),
                    displayText(text), QMessageBox::Ok, parentWindow());
    box.exec();
}

bool QtMessages::question(const std::string &text, const std::string &caption)
{
    return QMessageBox::question(parentWindow(), QString::fromStdString(caption),
                                 displayText(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

bool QtMessages::cautiousQuestion(const std::string &text, const std::string &caption)
{
    return QMessageBox::question(parentWindow(), QString::fromStdString(caption),
                                 displayText(text), QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void QtMessages::errorBox(const std::string &text)
{
    QMessageBox::critical(parentWindow(), QString::fromLatin1(texts::kApplicationTitle),
                          displayText(text));
}

// The error window of the sessions subsystem: one at a time, Continue only
// for an ask, the auto close when asked.
bool QtMessages::errorWindow(const std::string &caption, const std::string &text,
                             bool autoClose, bool withContinue)
{
    return ErrorWindowRules::continued(
        TShowErrorForm::run({caption, text, withContinue, autoClose}, parentWindow()));
}

void QtMessages::showError(const std::string &caption, const std::string &text, bool autoClose)
{
    errorWindow(caption, text, autoClose, false);
}

bool QtMessages::askError(const std::string &caption, const std::string &text, bool autoClose)
{
    return errorWindow(caption, text, autoClose, true);
}

void QtMessages::beep() { QApplication::beep(); }

}  // namespace qln
