// Hand-over from the main window's commands to the windows of other parts of
// the program. Each member is the one place a window is started from; until
// that window exists in this build, the member says so.
#include "app/mainscreen.h"

#include "common/messages.h"
#include "common/settings.h"
#include "diagnostics/configreport.h"
#include "diagnostics/configreportwindow.h"
#include "telephony/modemdevices.h"

#include <QApplication>

namespace qln {

void TMainScreen::notAvailable(const QString &function)
{
    messages().information(function.toStdString() + ": " + texts::kNotAvailable);
}

// ---- Commands of other windows -----------------------------------------------

void TMainScreen::runConfigurationReport()
{
    ReportOptions options;
    if (receiveMode()) {
        // Receive mode holds the modem; a probe would disturb a call.
        options.probeModems = false;
        options.notProbedBecause = "receive mode is on";
    }
    ConfigurationReport report;
    report.onProbe = [this](const std::string &device) {
        setStatusText(QStringLiteral("Asking %1 for its identification...").arg(QString::fromStdString(device)));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    report.collect(settings(), CurrentDeviceSources(), options);
    QApplication::restoreOverrideCursor();
    setStatusText({});
    ConfigReportWindow window(report.text(), this);
    window.exec();
}

}  // namespace qln
