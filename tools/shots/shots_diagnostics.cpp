// Screenshots of the configuration report (over a running virtual fax line,
// so that its modems and their replies show) and of the about box.
#include "shots.h"

#include "app/aboutbox.h"
#include "common/datadir.h"
#include "common/settings.h"
#include "diagnostics/configreport.h"
#include "diagnostics/configreportwindow.h"
#include "telephony/virtualline.h"

#include <QPlainTextEdit>
#include <QTextCursor>

static QlnShot configReport{
    "config-report", "Help, Configuration Information over a virtual fax line", [](ShotContext &ctx) {
        qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
        qln::settings().load(qln::settingsPath());
        qln::VirtualLine line(ctx.dataDir.toStdString() + "/line");
        std::string error;
        qln::DeviceSources sources = qln::CurrentDeviceSources();
        if (line.ensureRunning(error))
            sources.lineDirs.push_back(line.dir());
        qln::ConfigurationReport report;
        report.collect(qln::settings(), sources);
        line.stop();
        qln::ConfigReportWindow w(report.text());
        w.resize(820, 620);
        // Scroll to the modems, the part a support request is about.
        if (auto *text = w.findChild<QPlainTextEdit *>(QStringLiteral("reportText"))) {
            text->moveCursor(QTextCursor::End);
            text->ensureCursorVisible();
        }
        ctx.save(w, QStringLiteral("config-report"));
    }};

static QlnShot aboutBox{"about-box", "Help, About", [](ShotContext &ctx) {
                            qln::TSplashform about;
                            ctx.save(about, QStringLiteral("about-box"));
                        }};
