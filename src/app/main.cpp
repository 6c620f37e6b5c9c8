// quillon: the fax program.
//
//   quillon [--data-dir DIR] [--minimized]
//   quillon --help-page N     prints the page help topic N opens, and ends
//
// Start-up order: the single-copy guard, the locale's date and time formats,
// the version text and application title, then the main window.
#include "app/commandrules.h"
#include "app/helppages.h"
#include "app/mainscreen.h"
#include "app/qtmessages.h"
#include "app/singlecopy.h"
#include "common/datadir.h"
#include "common/localeformats.h"
#include "common/messages.h"
#include "common/runtimedir.h"
#include "common/settings.h"
#include "sessions/modemdeviceselect.h"
#include "sessions/modemhelpersportchooser.h"
#include "sessions/modemhelpers.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>

#include <cstdio>

int main(int argc, char **argv)
{
    // The single-copy guard's socket and the toolkit share the private
    // runtime directory; it must be settled before the toolkit starts.
    qln::ensureRuntimeDirectory();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(qln::texts::kApplicationTitle));
    QApplication::setApplicationVersion(QString::fromLatin1(qln::kVersionText));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quillon fax program"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Use DIR as the data directory."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption minimized(QStringLiteral("minimized"),
                                       QStringLiteral("Start with the window minimised."));
    const QCommandLineOption instance(
        QStringLiteral("instance-name"),
        QStringLiteral("Name the single-copy guard listens on (default: program and user)."),
        QStringLiteral("NAME"));
    const QCommandLineOption helpPage(
        QStringLiteral("help-page"),
        QStringLiteral("Print the help page that topic N opens (e.g. 1009 for Help, Contents) and end."),
        QStringLiteral("N"));
    parser.addOption(dataDir);
    parser.addOption(minimized);
    parser.addOption(instance);
    parser.addOption(helpPage);
    parser.process(app);
    if (parser.isSet(dataDir))
        qln::setDataDirectoryOverride(parser.value(dataDir).toStdString());
    if (parser.isSet(helpPage)) {
        const QString page = qln::HelpPages::pageFor(parser.value(helpPage).toInt(),
                                                     qln::HelpPages::defaultSearchDirs());
        if (page.isEmpty()) {
            std::fprintf(stderr, "no help page for topic %s\n", qPrintable(parser.value(helpPage)));
            return 1;
        }
        std::printf("%s\n", qPrintable(page));
        return 0;
    }

    // 1. One copy per user: a second copy raises the first and ends.
    qln::SingleCopyGuard guard(parser.isSet(instance) ? parser.value(instance)
                                                      : qln::SingleCopyGuard::defaultServerName());
    if (!guard.claim())
        return 0;

    // 2. Date and time formats of the user's locale.
    qln::setLocaleFormats(qln::LocaleFormats::fromLocale(QLocale::system()));

    qln::QtMessages qtMessages;
    qln::ScopedMessages installed(qtMessages);
    // A port or modem device that is gone lets the user pick another.
    qln::InstallPortChooserDialog();
    qln::InstallDeviceSelectionDialog();
    // Windows below the main window open help pages through this.
    qln::SetHelpOpener([](int topic) { return qln::HelpPages::open(topic); });

    // 3.-5. Version text and title are set above; create the window.
    qln::TMainScreen screen;
    QObject::connect(&guard, &qln::SingleCopyGuard::raiseRequested, &screen,
                     &qln::TMainScreen::restoreFromSecondCopy);
    guard.setPrintHandler([&screen](const QStringList &fields) { return screen.takePrintedFax(fields); });
    screen.setStartMinimized(parser.isSet(minimized));
    screen.showForStart();
    return app.exec();
}
