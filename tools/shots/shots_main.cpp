// Screenshots of the main window with an empty data directory.
#include "shots.h"

#include "app/helpwindow.h"
#include "app/mainscreen.h"
#include "common/datadir.h"
#include "common/localeformats.h"

#include <QLocale>

static QlnShot mainEmpty{"main-empty", "main window on a new data directory", [](ShotContext &ctx) {
                             qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
                             qln::setLocaleFormats(qln::LocaleFormats::fromLocale(QLocale::system()));
                             qln::TMainScreen screen;
                             screen.resize(780, 480);
                             ctx.save(screen, QStringLiteral("main-empty"));
                         }};

// The help window on the contents page, as Help, Contents opens it.
static QlnShot helpWindow{"help-window", "help window on the contents page", [](ShotContext &ctx) {
                              qln::HelpWindow w;
                              w.showPage(QStringLiteral(QLN_HELP_DIR "/1009.html"));
                              ctx.save(w, QStringLiteral("help-window"));
                          }};
