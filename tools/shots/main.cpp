// qln_shots OUTDIR [NAME...]: takes the registered window screenshots (all,
// or those whose names start with one of NAME) and writes them as PNG files
// into OUTDIR. Run it under an X server; scripts/screenshot.sh --windows
// does that with Xvfb.
#include "shots.h"

#include "common/runtimedir.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <exception>

namespace {

std::vector<QlnShotInfo> &registry()
{
    static std::vector<QlnShotInfo> shots;
    return shots;
}

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

QlnShot::QlnShot(std::string name, std::string summary, ShotRunner run)
{
    registry().push_back({std::move(name), std::move(summary), std::move(run)});
}

const std::vector<QlnShotInfo> &qlnShots()
{
    auto &r = registry();
    std::sort(r.begin(), r.end(), [](const auto &a, const auto &b) { return a.name < b.name; });
    return r;
}

QString ShotContext::save(QWidget &w, const QString &name)
{
    w.show();
    w.raise();
    w.activateWindow();
    settle(400);
    const QString path = QDir(outDir).filePath(name + ".png");
    if (!w.grab().save(path))
        std::fprintf(stderr, "qln_shots: cannot write %s\n", qPrintable(path));
    // With QLN_SHOTS_SCREEN set, also the window as the screen shows it,
    // with the window manager's frame: NAME-screen.png.
    if (qEnvironmentVariableIsSet("QLN_SHOTS_SCREEN")) {
        if (QScreen *screen = w.screen()) {
            const QRect frame = w.frameGeometry().intersected(screen->geometry());
            const QString framed = QDir(outDir).filePath(name + "-screen.png");
            if (!screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).save(framed))
                std::fprintf(stderr, "qln_shots: cannot write %s\n", qPrintable(framed));
        }
    }
    w.hide();
    return path;
}

int main(int argc, char **argv)
{
    qln::ensureRuntimeDirectory(); // Qt's XDG_RUNTIME_DIR notice stays out of the output
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first().startsWith('-')) {
        std::fprintf(stderr, "usage: qln_shots OUTDIR [NAME...]\n\nshots:\n");
        for (const auto &s : qlnShots())
            std::fprintf(stderr, "  %-28s %s\n", s.name.c_str(), s.summary.c_str());
        return 2;
    }
    const QString outDir = args.takeFirst();
    QDir().mkpath(outDir);
    int failed = 0, taken = 0;
    for (const auto &s : qlnShots()) {
        const QString name = QString::fromStdString(s.name);
        if (!args.isEmpty()
            && std::none_of(args.begin(), args.end(), [&](const QString &a) { return name.startsWith(a); }))
            continue;
        QTemporaryDir data;
        QFile ini(data.filePath("QLN.INI"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Modem]\nComPort=0\n");
        ini.close();
        ShotContext ctx{data.path(), outDir};
        try {
            s.run(ctx);
            ++taken;
            std::printf("%s\n", qPrintable(QDir(outDir).filePath(name + ".png")));
        } catch (const std::exception &e) {
            std::fprintf(stderr, "qln_shots: %s failed: %s\n", s.name.c_str(), e.what());
            ++failed;
        }
    }
    std::fprintf(stderr, "qln_shots: %d taken, %d failed\n", taken, failed);
    return failed ? 1 : 0;
}
