#include "RouteWindowShots.h"

#include <QPixmap>

#include "CDialog_Mesh.h"
#include "CDialog_Net_Path.h"

namespace {

int savePicture(QWidget& window, const QString& pngPath) {
    return window.grab().save(pngPath, "PNG") ? 0 : 1;
}

}  // namespace

int renderRouteWindowShot(const QString& pngPath) {
    display::CDialog_Mesh window;
    window.FillRouteList({QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("7")},
                         {QStringLiteral("3"), QStringLiteral("258"), QStringLiteral("12345")},
                         QStringLiteral("1"));
    return savePicture(window, pngPath);
}

int renderPathWindowShot(const QString& pngPath) {
    display::CDialog_Net_Path window;
    window.FillPathList({QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("5"),
                         QStringLiteral("12"), QStringLiteral("258")},
                        {QStringLiteral("-50"), QStringLiteral("-76"), QStringLiteral("-64"),
                         QStringLiteral("-59")});
    return savePicture(window, pngPath);
}
