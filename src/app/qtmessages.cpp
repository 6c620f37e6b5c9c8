#include "app/qtmessages.h"

#include "app/commandrules.h"
#include "app/helppages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace qln {

namespace {
constexpr int kErrorAutoCloseMs = 30000;
}

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

bool QtMessages::errorWindow(const std::string &caption, const std::string &text,
                             bool autoClose, bool withContinue)
{
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), displayText(text),
                    QMessageBox::NoButton, parentWindow());
    box.setInformativeText(QStringLiteral(
        "For more information and possible solutions, click the Fax Problem Solver button"));
    QPushButton *ok = box.addButton(QStringLiteral("Ok"), QMessageBox::AcceptRole);
    QPushButton *help = box.addButton(QStringLiteral("Technical Help"), QMessageBox::HelpRole);
    help->setToolTip(
        QStringLiteral("Start the Fax Problem Solver to read about solutions to this error"));
    QPushButton *cont = box.addButton(QStringLiteral("Continue"), QMessageBox::ActionRole);
    cont->setEnabled(withContinue);
    box.setDefaultButton(ok);
    // Technical Help opens its page while the window stays open.
    help->disconnect();
    QObject::connect(help, &QPushButton::clicked, help,
                     [] { HelpPages::open(helpcontext::kTechnicalHelp); });
    if (autoClose)
        QTimer::singleShot(kErrorAutoCloseMs, &box, [ok] { ok->click(); });
    box.exec();
    return box.clickedButton() == cont;
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
