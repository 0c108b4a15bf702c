#include "WindowBench.h"

#include <QComboBox>
#include <QTimer>

#include "CMeshcfgDlg.h"
#include "QZSerial.h"

bool openAliasPort(app::CMeshcfgDlg& dlg) {
    auto* list = dlg.item<QComboBox>(res::kIdPortList);
    const int index = list->findText(QStringLiteral("COM%1").arg(kAliasPort), Qt::MatchStartsWith);
    if (index < 0) return false;
    list->setCurrentIndex(index);
    dlg.OnOpenClose();
    return dlg.serial()->isOpen();
}

bool runEventLoop(QEventLoop& loop, std::chrono::milliseconds limit) {
    bool timedOut = false;
    QTimer limitTimer;
    limitTimer.setSingleShot(true);
    QObject::connect(&limitTimer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    limitTimer.start(limit);
    loop.exec();
    return !timedOut;
}

void runEventLoopFor(std::chrono::milliseconds duration) {
    QEventLoop loop;
    runEventLoop(loop, duration);
}
