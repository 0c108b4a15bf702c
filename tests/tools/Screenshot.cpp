// Renders the tool's windows to PNG with whatever platform is set (offscreen in scripts), so
// their layout can be looked at without a display:
//   meshcfg-screenshot main|log|about|route|path|mesh-lab|mesh-grid|mesh-picture|mesh-live|
//   mesh-delivery|mesh-follow OUT.png
// in the language of the locale (LANG, LC_ALL): LANG=zh_CN.UTF-8 shows the description's texts.

#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "CAboutDlg.h"
#include "CMeshcfgDlg.h"
#include "MeshWindowShots.h"
#include "RouteWindowShots.h"
#include "Translations.h"

namespace {

int grabTo(QWidget& window, const QString& path) {
    window.show();
    QApplication::processEvents();
    return window.grab().save(path) ? 0 : 1;
}

int renderMainWindow(const QString& path) {
    app::CMeshcfgDlg dlg;
    dlg.stopTimer();
    dlg.OnRead();  // a request in the log shows its colours
    return grabTo(dlg, path);
}

// A long session: requests and replies in the log, a few lines selected.
int renderLongLog(const QString& path) {
    app::CMeshcfgDlg dlg;
    dlg.stopTimer();
    for (int i = 0; i < 100; ++i) {
        dlg.OnRead();
        dlg.ReadRouteList();
    }
    dlg.show();
    QApplication::processEvents();
    const qsizetype last = static_cast<qsizetype>(dlg.log().lines().size()) - 1;
    dlg.log().selectLines(last - 5, last - 3);
    return grabTo(dlg, path);
}

int renderAboutBox(const QString& path) {
    app::CAboutDlg about;
    return grabTo(about, path);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/meshcfg.svg")));
    const widgets::Translations translations(QLocale(), QStringLiteral(MESHCFG_TRANSLATIONS_DIR));
    if (argc != 3) {
        std::fprintf(
            stderr,
            "usage: %s main|log|about|route|path|mesh-lab|mesh-grid|mesh-picture|mesh-live|"
            "mesh-delivery|mesh-follow OUT.png\n",
            argv[0]);
        return 2;
    }
    const QString what = QString::fromLocal8Bit(argv[1]);
    const QString path = QString::fromLocal8Bit(argv[2]);
    if (what == u"main") return renderMainWindow(path);
    if (what == u"log") return renderLongLog(path);
    if (what == u"about") return renderAboutBox(path);
    if (what == u"route") return renderRouteWindowShot(path);
    if (what == u"path") return renderPathWindowShot(path);
    if (what == u"mesh-lab") return renderMeshLabShot(path);
    if (what == u"mesh-grid") return renderMeshGridShot(path);
    if (what == u"mesh-picture") return renderMeshPictureShot(path);
    if (what == u"mesh-live") return renderMeshLiveShot(path);
    if (what == u"mesh-delivery") return renderMeshDeliveryShot(path);
    if (what == u"mesh-follow") return renderMeshFollowShot(path);
    std::fprintf(stderr, "unknown window: %s\n", argv[1]);
    return 2;
}
