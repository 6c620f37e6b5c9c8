// Window screenshots for qln_shots: every window of the program registers
// one or more shots in a file of its own (shots_<area>.cpp) with a static
// QlnShot object:
//
//     static QlnShot reg{"editor-cover", "fax editor on the Cover Sheet page",
//                        [](ShotContext &ctx) {
//                            TFaxEditor w;
//                            ...
//                            ctx.save(w, "editor-cover");
//                        }};
//
// qln_shots runs under a real X server (scripts/screenshot.sh --windows
// starts Xvfb) and writes one PNG per shot into its output folder.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QWidget;

struct ShotContext {
    // A fresh data directory for this shot, holding a QLN.INI with a modem
    // configured so that nothing asks for the quick set-up.
    QString dataDir;
    // Where the PNG files go.
    QString outDir;
    // Shows `w` (not modal), lets it lay out and paint, grabs it and saves
    // "<outDir>/<name>.png". Returns the file's path.
    QString save(QWidget &w, const QString &name);
};

using ShotRunner = std::function<void(ShotContext &)>;

struct QlnShotInfo {
    std::string name;
    std::string summary;
    ShotRunner run;
};

// Registration object; construct one at namespace scope per shot.
struct QlnShot {
    QlnShot(std::string name, std::string summary, ShotRunner run);
};

const std::vector<QlnShotInfo> &qlnShots();
