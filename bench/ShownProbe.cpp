#include "ShownProbe.h"

#include <time.h>

#include <QCoreApplication>
#include <QDialog>
#include <QWindow>
#include <cstdio>

ShownProbe::ShownProbe(QDialog& window) : m_window(window) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool ShownProbe::eventFilter(QObject* watched, QEvent* event) {
    if (!m_exposed && event->type() == QEvent::Expose && watched == m_window.windowHandle()) {
        m_exposed = true;
        // Queued, so the time is taken after the expose and its paint have been handled.
        QMetaObject::invokeMethod(this, &ShownProbe::report, Qt::QueuedConnection);
    }
    return false;
}

void ShownProbe::report() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("shown %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    m_window.reject();
}
