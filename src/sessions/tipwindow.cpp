#include "sessions/tipwindow.h"

#include <QMessageBox>
#include <QToolButton>

namespace qln {

namespace {
std::function<void(const std::string &, const std::string &)> g_presenter;
}

void SetTipPresenter(std::function<void(const std::string &, const std::string &)> presenter)
{
    g_presenter = std::move(presenter);
}

void ShowTip(QWidget *parent, const std::string &caption, const std::string &text)
{
    if (g_presenter) {
        g_presenter(caption, text);
        return;
    }
    QMessageBox box(QMessageBox::Information, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, parent);
    box.exec();
}

QToolButton *MakeTipButton(QWidget *parent, const std::string &tip, const QString &caption)
{
    auto *button = new QToolButton(parent);
    button->setText(caption.isEmpty() ? QStringLiteral("?") : caption);
    button->setToolTip(caption.isEmpty() ? QStringLiteral("Tip") : caption);
    QObject::connect(button, &QToolButton::clicked, parent,
                     [parent, tip] { ShowTip(parent, kQuickSetupTipCaption, tip); });
    return button;
}

} // namespace qln
