// Screenshots of the main window with an empty data directory.
#include "shots.h"

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
