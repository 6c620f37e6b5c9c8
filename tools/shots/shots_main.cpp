// Screenshots of the main window with an empty data directory.
#include "shots.h"

#include "app/helpwindow.h"
#include "app/mainscreen.h"
#include "common/datadir.h"
#include "common/localeformats.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QScreen>

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

// A received fax announced on the desktop: the main window with the notice
// as the desktop shows it (a tray message, or the notification service's
// pop-up; the shot keeps the whole screen so the pop-up is on it).
static QlnShot receivedNotice{"main-fax-received", "desktop notice of a received fax", [](ShotContext &ctx) {
                                  qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
                                  qln::setLocaleFormats(qln::LocaleFormats::fromLocale(QLocale::system()));
                                  qln::TMainScreen screen;
                                  screen.show();
                                  qln::records::ReceivedFax row;
                                  row.from = "+1 555 0100";
                                  row.pages = 3;
                                  screen.faxReceived(row);
                                  QElapsedTimer t;
                                  t.start();
                                  while (t.elapsed() < 1500)
                                      QApplication::processEvents(QEventLoop::AllEvents, 20);
                                  if (QScreen *s = screen.screen())
                                      s->grabWindow(0).save(QDir(ctx.outDir).filePath("main-fax-received-desktop.png"));
                                  ctx.save(screen, QStringLiteral("main-fax-received"));
                              }};
