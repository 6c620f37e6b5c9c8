#include "app/hintcontroller.h"

#include <QApplication>
#include <QHelpEvent>
#include <QProxyStyle>
#include <QToolTip>
#include <QWidget>

namespace qln {

namespace {
class HintDelayStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *ret) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return HintController::kHintPauseMs;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};
}  // namespace

HintController::HintController(QObject *parent) : QObject(parent) {}

HintController::~HintController()
{
    if (installed_ && qApp)
        qApp->removeEventFilter(this);
}

void HintController::install()
{
    if (installed_ || !qApp)
        return;
    // The style is the application's; set the delay once per program run.
    static bool styleSet = false;
    if (!styleSet) {
        QApplication::setStyle(new HintDelayStyle);
        styleSet = true;
    }
    qApp->installEventFilter(this);
    installed_ = true;
}

bool HintController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return false;
    if (!enabled_) {
        QToolTip::hideText();
        return true;
    }
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->toolTip().isEmpty())
        return false;
    auto *help = static_cast<QHelpEvent *>(event);
    QToolTip::showText(help->globalPos(), widget->toolTip(), widget, QRect(), kHintHideMs);
    return true;
}

}  // namespace qln
